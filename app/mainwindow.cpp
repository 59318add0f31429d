#include "mainwindow.h"

#include "aboutdialog.h"
#include "plot_manager.h"
#include "range_calculator_form.h"
#include "runtime.h"
#include "signal_processor.h"
#include "ui_mainwindow.h"
#include "uiinitializer.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QMetaType>
#include <QSpinBox>
#include <QThread>
#include <QTimer>

#include <iostream>

namespace {
const char* const kRule = "--------------------------------------------------";
constexpr unsigned long kRuntimeStopTimeoutMs = 3000;
constexpr unsigned long kRuntimeTerminateWaitMs = 1000;

void announce(const char* step)
{
    std::cout << kRule << std::endl << step << std::endl << kRule << std::endl;
}
}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_MainWindow), rd_result(128, 256)
{
    qRegisterMetaType<RDResult>("RDResult");
    qRegisterMetaType<QVector<float>>("QVector<float>");

    ui_initializer = new UIInitializer(this);
    signal_processor = new SignalProcessor(this);
    plot_manager = new PlotManager(this);

    announce("-- Start launch UI");
    launchUI();
    announce("-- Start launch Thread");
    launchThread();
    announce("-- Start launch Timer");
    launchTimer();
}

MainWindow::~MainWindow()
{
    delete ui_initializer;
    delete signal_processor;
    delete plot_manager;
    delete ui;
    // A runtime thread that closeEvent stopped has deleted its runtime on
    // the way out; one still running is left to process exit.
    if (runtime_thread && runtime_thread->isFinished())
        delete runtime_thread;
}

void MainWindow::launchUI()
{
    ui_initializer->initializeUI();
    plot_manager->initializePlots();
}

void MainWindow::launchThread()
{
    runtime_thread = new QThread();
    runtime = new Runtime();
    runtime->moveToThread(runtime_thread);
    // The runtime's timer must be stopped on its own thread, so it is
    // destroyed there as the thread finishes.
    connect(runtime_thread, &QThread::finished, runtime, &QObject::deleteLater);

    const bool deviceConnected =
        connect(runtime, &Runtime::ui_deviceDetected, this, &MainWindow::deviceDetected, Qt::QueuedConnection);
    std::cout << "deviceDetected 连接是否成功:" << deviceConnected << std::endl;
    const bool dataConnected =
        connect(runtime, &Runtime::ui_getRxData, this, &MainWindow::getRxData, Qt::QueuedConnection);
    std::cout << "getRxData 连接是否成功:" << dataConnected << std::endl;

    runtime_thread->start();
    runtime->detectDevices();
    runtime->rx_channel = 0;
    runtime->tx_channel = 0;
}

void MainWindow::launchTimer()
{
    auto* statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, this, &MainWindow::get_status);
    statusTimer->start(1000);

    auto* plotTimer = new QTimer(this);
    connect(plotTimer, &QTimer::timeout, this, &MainWindow::updatePlot);
    plotTimer->start(20);
}

void MainWindow::initializeBuffers() { ui_initializer->initializeBuffers(); }
void MainWindow::initializeTabWidgets() { ui_initializer->initializeTabWidgets(); }
void MainWindow::initializeLEDs() { ui_initializer->initializeLEDs(); }
void MainWindow::centerOnScreen() { ui_initializer->centerWindowOnScreen(); }
void MainWindow::initDiskProgressBar() { ui_initializer->initializeDiskProgressBar(); }
void MainWindow::updateWaveform() { signal_processor->updateWaveform(); }
void MainWindow::launchPlot() { plot_manager->initializePlots(); }
void MainWindow::updataRDPlot(RDResult& result) { plot_manager->updateRDPlot(result); }
void MainWindow::updateRxPlot() { plot_manager->updateRxPlot(); }
void MainWindow::updateTxPlot() { plot_manager->updateTxPlot(); }
void MainWindow::launchTxPlot() { plot_manager->initializeTxPlot(); }
void MainWindow::launchRxPlot() { plot_manager->initializeRxPlot(); }
void MainWindow::launchRDPlot() { plot_manager->initializeRDPlot(); }

void MainWindow::on_sendButton_clicked()
{
    // The toggle belongs to the button's handler, not to a window instance.
    static bool sending = false;
    std::cout << "on_sendButton_clicked" << std::endl;
    sending = !sending;
    if (sending)
        signal_processor->startTransmission();
    else
        signal_processor->stopTransmission();
}

void MainWindow::on_receiveButton_clicked()
{
    receiving = !receiving;
    if (receiving)
        signal_processor->startReception();
    else
        signal_processor->stopReception();
}

void MainWindow::deviceDetected(const QString& device_name)
{
    std::cout << "deviceDetected" << std::endl;
    if (device_name.isEmpty()) {
        qWarning() << "接收到空设备名称，未添加";
        return;
    }
    ui->deviceSel->addItem(device_name);
    qDebug() << "添加设备到下拉框:" << device_name;
}

void MainWindow::getRxData(const std::vector<std::complex<float>>& /*data*/,
                           const std::vector<std::complex<float>>& rx_signal, const QVector<float>& real_signal,
                           RDResult result)
{
    this->real_signal = real_signal;
    this->rx_signal = rx_signal;
    rd_result = result;
}

void MainWindow::on_comboBox_Txch_currentIndexChanged(int index)
{
    if (runtime)
        runtime->tx_channel = index;
}

void MainWindow::on_comboBox_Rxch_currentIndexChanged(int index)
{
    if (!runtime)
        return;
    runtime->rx_channel = index;
    runtime->setRxChannel(index);
}

void MainWindow::on_spinBox_freq_valueChanged(int arg1)
{
    const QString device = ui->deviceSel->currentText();
    for (RFConfig& config : rf_list)
        if (config.name == device)
            config.frequency = arg1;
}

void MainWindow::on_deviceSel_currentTextChanged(const QString& arg1)
{
    for (const RFConfig& config : rf_list)
        if (config.name == arg1)
            ui->spinBox_freq->setValue(static_cast<int>(config.frequency));
}

void MainWindow::on_action_Varnex_triggered()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::on_pushButton_Rcal_clicked()
{
    runRangeCalculatorForm(this, *ui);
}

void MainWindow::get_status()
{
    ui_initializer->updateDiskProgressBar();
}

void MainWindow::updatePlot()
{
    plot_manager->updatePlots();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (runtime)
        runtime->shutdown();
    if (runtime_thread && runtime_thread->isRunning()) {
        runtime_thread->requestInterruption();
        runtime_thread->quit();
        runtime_thread->wait(kRuntimeStopTimeoutMs);
        if (!runtime_thread->isFinished()) {
            qWarning() << "Runtime thread did not exit cleanly, forcing termination";
            runtime_thread->terminate();
            runtime_thread->wait(kRuntimeTerminateWaitMs);
        }
        if (runtime_thread->isFinished())
            runtime = nullptr;
    }
    event->accept();
}
