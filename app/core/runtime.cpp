#include "runtime.h"

#include "XDMARxWorker.h"
#include "XDMATxWorker.h"
#include "kovra_api.h"
#include "loopRxWorker.h"
#include "loopTxWorker.h"
#include "signal_buffer.h"
#include "stream_cursor.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <iostream>

namespace {
const char* const kBoardKind = "Device";
const char* const kLoopbackKind = "自回环";
const char* const kUsrpKind = "usrp";
constexpr std::size_t kEnumerationCapacity = 4;
const char* const kBoardOpenOptions = "devid:0";
}  // namespace

Runtime::Runtime(QObject* parent)
    : QObject(parent),
      rx_signal(kExcerptLength),
      real_signal(kExcerptLength, 0.0f),
      rx_block(kBlockLength),
      rd_processor(std::make_unique<RangeDopplerProcessor>())
{
    registerSampleTypes();
    qDebug() << "[Runtime] Constructor running in thread:" << QThread::currentThread();
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &Runtime::updateRxdata);
    timer->start(kUpdatePeriodMs);
}

Runtime::~Runtime()
{
    // Worker threads must be stopped before their objects go; the window
    // calls shutdown at close, this covers owners that did not.
    stopWorkerThreads();
    delete xdma_tx_worker;
    delete xdma_rx_worker;
    delete xdma_tx_thread;
    delete xdma_rx_thread;
    if (device)
        kovra_close_device(device);
    delete loop_tx_worker;
    delete loop_rx_worker;
    delete loop_tx_thread;
    delete loop_rx_thread;
    delete loop_signal_buffer;
}

QString Runtime::currentDevice() const
{
    QMutexLocker lock(&mutex);
    return current_device;
}

bool Runtime::currentIs(const char* kind) const
{
    return currentDevice().contains(QString::fromUtf8(kind));
}

void Runtime::detectDevices()
{
    kovra_device_info infos[kEnumerationCapacity] = {};
    const int found = kovra_enumerate_devices(infos, kEnumerationCapacity);
    const int boards = found < 1 ? 0 : found;
    if (boards == 0)
        std::cerr << "未检测到 XDMA 设备" << std::endl;
    for (int k = 0; k < boards; ++k) {
        const QString name = QString::number(k) + QStringLiteral("_Device");
        std::cout << "检测到 PCIe 设备: " << name.toStdString() << std::endl;
        std::cout << "  Label : " << infos[k].label << std::endl;
        std::cout << "  Serial: " << infos[k].serial << std::endl;
        std::cout << "  Aurora: " << (infos[k].aurora_ok ? "OK" : "FAIL") << std::endl;
        emit ui_deviceDetected(name);
        rf_configs.append(RFConfig(name, 0, 0, 30, QStringLiteral("RX1")));
    }

    const QString loopback = QString::number(boards) + QStringLiteral("_自回环模式");
    emit ui_deviceDetected(loopback);
    rf_configs.append(RFConfig(loopback, 0, 0, 30, QStringLiteral("RX1")));
    std::cout << "添加自回环模式设备: " << loopback.toStdString() << std::endl;

    {
        QMutexLocker lock(&mutex);
        current_device = rf_configs.first().name;
    }
    launchThread();
}

void Runtime::launchThread()
{
    bool boardDone = false;
    for (const RFConfig& config : rf_configs) {
        if (config.name.contains(QString::fromUtf8(kBoardKind))) {
            // Only the first board gets workers; it is opened as board 0.
            if (!boardDone)
                launchBoardWorkers();
            boardDone = true;
        } else if (config.name.contains(QString::fromUtf8(kLoopbackKind)) && !loop_tx_thread) {
            launchLoopbackWorkers();
        }
    }
}

void Runtime::launchBoardWorkers()
{
    if (!device) {
        device = kovra_open_device(kBoardOpenOptions);
        if (!device) {
            std::cerr << "[Runtime] kovra_open_device 失败" << std::endl;
            return;
        }
        std::cout << "[Runtime] kovra 设备已打开" << std::endl;
    }
    xdma_tx_thread = new QThread();
    xdma_tx_worker = new XDMATxWorker(device);
    xdma_tx_worker->moveToThread(xdma_tx_thread);
    connect(xdma_tx_thread, &QThread::started, xdma_tx_worker, &XDMATxWorker::processTx);
    connect(xdma_tx_worker, &XDMATxWorker::setTxLED, this, &Runtime::setTxLED);

    xdma_rx_thread = new QThread();
    xdma_rx_worker = new XDMARxWorker(device);
    xdma_rx_worker->moveToThread(xdma_rx_thread);
    connect(xdma_rx_thread, &QThread::started, xdma_rx_worker, &XDMARxWorker::processRx);
    connect(xdma_rx_worker, &XDMARxWorker::setRxLED, this, &Runtime::setRxLED);
    connect(xdma_rx_worker, &XDMARxWorker::getRXDMAxData, this, &Runtime::getXDMARxData, Qt::QueuedConnection);

    xdma_tx_thread->start();
    xdma_rx_thread->start();
}

void Runtime::launchLoopbackWorkers()
{
    loop_signal_buffer = new SignalBuffer();

    loop_tx_thread = new QThread();
    loop_tx_worker = new LoopTxWorker(loop_signal_buffer);
    loop_tx_worker->moveToThread(loop_tx_thread);
    connect(loop_tx_thread, &QThread::started, loop_tx_worker, &LoopTxWorker::processLoopTx);

    loop_rx_thread = new QThread();
    loop_rx_worker = new LoopRxWorker(loop_signal_buffer);
    loop_rx_worker->moveToThread(loop_rx_thread);
    connect(loop_rx_thread, &QThread::started, loop_rx_worker, &LoopRxWorker::processLoopRx);
    connect(loop_rx_worker, &LoopRxWorker::getLoopRxData, this, &Runtime::getLoopRxData, Qt::QueuedConnection);

    loop_tx_thread->start();
    loop_rx_thread->start();
}

void Runtime::startSend(const std::vector<std::complex<float>>& tx_buff)
{
    if (currentIs(kLoopbackKind)) {
        if (loop_tx_worker)
            loop_tx_worker->startSend(tx_buff);
    } else if (currentIs(kBoardKind)) {
        if (xdma_tx_worker)
            xdma_tx_worker->startSend(tx_buff);
    }
    // Built outside the lock so the update cycle is not held up by the transforms.
    RangeDopplerReferences fresh = prepareRangeDopplerReferences(tx_buff);
    {
        QMutexLocker lock(&mutex);
        references = std::move(fresh);
    }
    std::cout << "开始数据发送..." << std::endl;
}

void Runtime::stopSend()
{
    if (currentIs(kLoopbackKind)) {
        if (loop_tx_worker)
            loop_tx_worker->stopSend();
    } else if (currentIs(kBoardKind)) {
        if (xdma_tx_worker)
            xdma_tx_worker->stopSend();
    }
    std::cout << "停止数据发送..." << std::endl;
}

void Runtime::startReceive()
{
    if (currentIs(kLoopbackKind) && loop_rx_worker)
        loop_rx_worker->startReceive();
    if (currentIs(kBoardKind) && xdma_rx_worker)
        xdma_rx_worker->startReceive();
}

void Runtime::stopReceive()
{
    if (currentIs(kLoopbackKind)) {
        if (loop_rx_worker)
            loop_rx_worker->stopReceive();
    } else if (currentIs(kBoardKind)) {
        if (xdma_rx_worker)
            xdma_rx_worker->stopReceive();
    }
    std::cout << "停止数据接收..." << std::endl;
}

void Runtime::setRxChannel(int ch)
{
    if (xdma_rx_worker)
        xdma_rx_worker->setRxChannel(ch);
}

int Runtime::boardRxChannel() const
{
    return xdma_rx_worker ? xdma_rx_worker->rxChannel() : -1;
}

void Runtime::stopThread(QThread* thread)
{
    thread->requestInterruption();
    thread->quit();
    if (!thread->wait(kThreadStopTimeoutMs)) {
        qWarning() << "Thread did not exit in time, terminating...";
        thread->terminate();
        thread->wait();
    }
}

void Runtime::stopWorkerThreads()
{
    for (QThread* t : {loop_tx_thread, loop_rx_thread, xdma_tx_thread, xdma_rx_thread})
        if (t && t->isRunning())
            stopThread(t);
}

void Runtime::shutdown()
{
    stopWorkerThreads();
    // The hardware workers closed their streams as their loops ended, so the
    // board goes after its streams.
    if (device) {
        kovra_close_device(device);
        device = nullptr;
    }
    std::cout << "Runtime shutdown" << std::endl;
}

void Runtime::getXDMARxData(const std::vector<int16_t>& buffer)
{
    if (!currentIs(kBoardKind))
        return;
    QMutexLocker lock(&mutex);
    convertBoardBlock(buffer, rx_block, kBlockLength);
}

void Runtime::getLoopRxData(const std::vector<std::complex<float>>& buffer)
{
    if (!currentIs(kLoopbackKind))
        return;
    QMutexLocker lock(&mutex);
    rx_block = buffer;
}

void Runtime::getUSRPRxData(const std::vector<std::complex<float>>& buffer)
{
    if (!currentIs(kUsrpKind))
        return;
    QMutexLocker lock(&mutex);
    rx_block = buffer;
}

std::vector<std::complex<float>> Runtime::getRxData() const
{
    QMutexLocker lock(&mutex);
    return rx_block;
}

void Runtime::setTxLED(bool isOn)
{
    emit ui_setTxLED(isOn);
}

void Runtime::setRxLED(bool isOn)
{
    emit ui_setRxLED(isOn);
}

void Runtime::updateRxdata()
{
    // rx_block is replaced only on this thread (the intake slots), so reading
    // it here needs no lock; the lock covers the references.
    if (rx_block.size() < static_cast<std::size_t>(kExcerptLength)) {
        qWarning() << "rx_signal_std too short!";
        return;
    }
    rx_signal.assign(rx_block.begin(), rx_block.begin() + kExcerptLength);
    real_signal.clear();
    for (const std::complex<float>& s : rx_signal)
        real_signal.append(s.real());

    RDResult result = computeRDData(rx_block);
    emit ui_getRxData(rx_block, rx_signal, real_signal, result);
}

RDResult Runtime::computeRDData(const std::vector<std::complex<float>>& block)
{
    QMutexLocker lock(&mutex);
    return rd_processor->process(block, references);
}

RangeDopplerReferences Runtime::currentReferences() const
{
    QMutexLocker lock(&mutex);
    return references;
}
