#pragma once
// Acquisition controller of varnex.
//
// Created on the GUI thread and moved into a thread of its own. It lists the
// devices, owns one transmit and one receive worker per device kind (each in
// its own thread), routes the window's start/stop calls to the workers of the
// current device, keeps the newest received block, and every 200 ms emits the
// block, a 4096-sample excerpt, its real parts and a range-Doppler result.
//
// Threads: detectDevices, startSend, stopSend, startReceive, stopReceive,
// setRxChannel, getRxData and shutdown are called directly from the GUI
// thread; updateRxdata and the block intake slots run on the runtime thread.
// `mutex` guards rx_block, the matched-filter references and current_device.

#include "range_doppler.h"
#include "rd_result.h"
#include "rf_config.h"
#include "sample_types.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <complex>
#include <cstdint>
#include <memory>
#include <vector>

class QThread;
class QTimer;
class XDMATxWorker;
class XDMARxWorker;
struct kovra_device_descriptor;
class LoopTxWorker;
class LoopRxWorker;
class SignalBuffer;

class Runtime : public QObject {
    Q_OBJECT
public:
    static constexpr int kBlockLength = 1 << 20;
    static constexpr int kExcerptLength = 4096;
    static constexpr int kUpdatePeriodMs = 200;
    static constexpr unsigned long kThreadStopTimeoutMs = 2000;

    explicit Runtime(QObject* parent = nullptr);
    ~Runtime() override;

    void launchThread();
    RDResult computeRDData(const std::vector<std::complex<float>>& block);

    QString currentDevice() const;
    RangeDopplerReferences currentReferences() const;
    const QVector<RFConfig>& rfConfigs() const { return rf_configs; }
    // The selected receive channel of the board, -1 without board workers.
    int boardRxChannel() const;
    // The board receive worker, for its counters; null without a board.
    XDMARxWorker* boardReceiver() const { return xdma_rx_worker; }
    // The loopback queue, for tests and diagnostics; null before detectDevices.
    SignalBuffer* loopSignalBuffer() const { return loop_signal_buffer; }

    int tx_channel = 0;
    int rx_channel = 0;

signals:
    void ui_deviceDetected(const QString& device_name);
    void ui_setTxLED(bool isOn);
    void ui_setRxLED(bool isOn);
    void ui_getRxData(const std::vector<std::complex<float>>& data,
                      const std::vector<std::complex<float>>& rx_signal,
                      const QVector<float>& real_signal, RDResult result);

public slots:
    void detectDevices();
    void startSend(const std::vector<std::complex<float>>& tx_buff);
    void stopSend();
    void startReceive();
    void stopReceive();
    void setRxChannel(int ch);
    void shutdown();
    void getXDMARxData(const std::vector<int16_t>& buffer);
    void getLoopRxData(const std::vector<std::complex<float>>& buffer);
    void getUSRPRxData(const std::vector<std::complex<float>>& buffer);
    std::vector<std::complex<float>> getRxData() const;
    void setTxLED(bool isOn);
    void setRxLED(bool isOn);
    void updateRxdata();

private:
    bool currentIs(const char* kind) const;
    void stopThread(QThread* thread);
    // Loopback transmit and receive, then hardware transmit and receive.
    void stopWorkerThreads();
    void launchBoardWorkers();
    void launchLoopbackWorkers();

    QString current_device;
    QVector<RFConfig> rf_configs;
    mutable QMutex mutex;

    QThread* xdma_tx_thread = nullptr;
    QThread* xdma_rx_thread = nullptr;
    XDMATxWorker* xdma_tx_worker = nullptr;
    XDMARxWorker* xdma_rx_worker = nullptr;
    kovra_device_descriptor* device = nullptr;
    QThread* loop_tx_thread = nullptr;
    QThread* loop_rx_thread = nullptr;
    LoopTxWorker* loop_tx_worker = nullptr;
    LoopRxWorker* loop_rx_worker = nullptr;
    SignalBuffer* loop_signal_buffer = nullptr;

    std::vector<std::complex<float>> rx_signal;
    QVector<float> real_signal;
    std::vector<std::complex<float>> rx_block;
    // firstPulse, refSpectrum4096 and refSpectrum128 of the last transmission start.
    RangeDopplerReferences references;

    QTimer* timer = nullptr;
    std::unique_ptr<RangeDopplerProcessor> rd_processor;
};
