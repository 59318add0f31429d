#include "signal_processor.h"

#include "mainwindow.h"
#include "or_math.h"
#include "raii.h"
#include "runtime.h"
#include "sample_file.h"
#include "ui_mainwindow.h"
#include "waveform.h"
#include "zelt_constants.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cstring>
#include <iostream>

namespace {
constexpr std::size_t kReferenceLength = 4096;
}

void SignalProcessor::generateTransmitSignal()
{
    if (hasSignal(window->tx_buff))
        return;
    std::cout << "tx_buff is empty!" << std::endl;
    if (std::strcmp(tx_signal_type, "LFM") == 0)
        generateLFMSignal();
    else if (std::strcmp(tx_signal_type, "SINE") == 0)
        generateSineWave();
    writeSampleFile("tx_buff.dat", window->tx_buff);
}

void SignalProcessor::generateLFMSignal()
{
    window->tx_buff = standardLfmPulseTrain();
    std::cout << "generate_lfm_pulse_train tx_buff.size() = " << window->tx_buff.size() << std::endl;
}

void SignalProcessor::generateSineWave()
{
    fillSineWave(window->tx_buff);
}

void SignalProcessor::startTransmission()
{
    generateTransmitSignal();
    // A buffer shorter than the reference leaves the rest of tx_ref silent
    // instead of reading past its end.
    window->tx_ref = leadingSamples(window->tx_buff, kReferenceLength);
    window->runtime->startSend(window->tx_buff);
    window->ui->sendButton->setText(QStringLiteral("停止发送"));
}

void SignalProcessor::stopTransmission()
{
    std::fill(window->tx_buff.begin(), window->tx_buff.end(), std::complex<float>(0.0f, 0.0f));
    window->runtime->stopSend();
    window->ui->sendButton->setText(QStringLiteral("发送"));
}

void SignalProcessor::startReception()
{
    window->runtime->startReceive();
    window->ui->receiveButton->setText(QStringLiteral("停止接收"));
}

void SignalProcessor::stopReception()
{
    window->runtime->stopReceive();
    window->ui->receiveButton->setText(QStringLiteral("接收"));
}

void SignalProcessor::processRxData(const std::vector<std::complex<float>>& /*data*/,
                                    const std::vector<std::complex<float>>& rx_signal,
                                    const QVector<float>& real_signal)
{
    window->rx_signal = rx_signal;
    window->real_signal = real_signal;
}

void SignalProcessor::updateWaveform()
{
    ProgressDialogRAII progress(QStringLiteral("数据加载中..."), QStringLiteral("取消"), 0, 100, window);
    progress.get()->setWindowTitle(QStringLiteral("加载数据"));
    progress.get()->setAutoClose(false);
    progress.get()->setAutoReset(false);

    for (int symbol = 0; symbol < capture::kSymbols; ++symbol) {
        if (progress.wasCanceled()) {
            QMessageBox::warning(window, QStringLiteral("取消"), QStringLiteral("数据加载已取消！"), QMessageBox::Ok);
            return;
        }
        unpackCaptureSymbol(window->capture_words, symbol, window->channel_real, window->channel_iq);
        progress.setValue((symbol + 1) / 120);
        QCoreApplication::processEvents();
    }
    progress.setValue(100);
}
