#include "uiinitializer.h"

#include "build_info.h"
#include "disk_gauge.h"
#include "diskUsage.h"
#include "errors.h"
#include "led.h"
#include "mainwindow.h"
#include "screen_placement.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTabWidget>

#include <iostream>
#include <new>

namespace {
constexpr int kSamplesPerPulse = 4096;
constexpr int kPulses = 256;
constexpr int kLampSize = 16;
}  // namespace

void UIInitializer::initializeUI()
{
    try {
        ErrorHandler::logInfo("Starting UI initialization...");
        window->ui->setupUi(window);
        initializeTabWidgets();
        initializeBuffers();
        initializeLogPrinter();
        initializeLEDs();
        centerWindowOnScreen();
        initializeDiskProgressBar();
        initializeUDP();
        ErrorHandler::logInfo("UI initialization completed successfully");
    } catch (const ValidationError& error) {
        ErrorHandler::handleFileError(QStringLiteral("UI初始化"), QStringLiteral("参数验证"), error);
        QMessageBox::critical(window, QStringLiteral("初始化错误"),
                              QStringLiteral("UI初始化失败: %1").arg(QString::fromStdString(error.what())));
    } catch (const std::exception& error) {
        ErrorHandler::logError(std::string("UI initialization failed: ") + error.what());
        QMessageBox::critical(window, QStringLiteral("严重错误"),
                              QStringLiteral("UI初始化失败: %1").arg(QString::fromStdString(error.what())));
    }
}

void UIInitializer::initializeTabWidgets()
{
    window->ui->tabWidget_main->setCurrentIndex(0);
    window->ui->tabWidget_tx->setCurrentIndex(0);
    window->ui->tabWidget_rx->setCurrentIndex(0);
    window->ui->tabWidget_detect->setCurrentIndex(0);
}

void UIInitializer::initializeBuffers()
{
    try {
        ErrorHandler::logInfo("Starting buffer initialization...");
        if (!ParameterValidator::validateSampleParameters())
            throw ValidationError("Invalid sample parameters for buffer initialization");
        initializeTxBuffers();
        initializeUSRPBuffers();
        ErrorHandler::logInfo("Buffers initialized successfully with " + std::to_string(kSamplesPerPulse) +
                              " samples per pulse, " + std::to_string(kPulses) + " pulses");
    } catch (const std::bad_alloc& error) {
        ErrorHandler::logError(std::string("Memory allocation failed during buffer initialization: ") + error.what());
        throw;
    } catch (const std::exception& error) {
        ErrorHandler::logError(std::string("Buffer initialization failed: ") + error.what());
        throw;
    }
}

void UIInitializer::initializeTxBuffers()
{
    window->tx_buff.assign(kSamplesPerPulse, {0.0f, 0.0f});
    window->tx_ref.assign(kSamplesPerPulse, {0.0f, 0.0f});
}

void UIInitializer::initializeUSRPBuffers()
{
    window->real_signal.fill(0.0f, kSamplesPerPulse);
    window->rx_signal.assign(kSamplesPerPulse, {0.0f, 0.0f});
}

void UIInitializer::initializeLEDs()
{
    setInitialLEDStates();
    setupTemperatureDisplay();
}

void UIInitializer::setInitialLEDStates()
{
    Ui_MainWindow* ui = window->ui;
    for (QLabel* lamp : {ui->auroraA_led, ui->auroraB_led, ui->Tx_status, ui->Rx_status, ui->PCIe_status,
                         ui->data_proc_done, ui->div_ok})
        StatusManager::setDeviceStatus(lamp, StatusManager::STATUS_GREY, kLampSize);
}

void UIInitializer::setupTemperatureDisplay()
{
    window->ui->PCIe_temp->setText(QStringLiteral("-- ℃"));
}

void UIInitializer::initializeLogPrinter()
{
    std::cout << "<<<Welcom to Varnex " << BuildInfo::version << ">>>" << std::endl;
    std::cout << "Build Qt Version: " << QT_VERSION_STR << std::endl;
    std::cout << "UHD not found. USRP support disabled." << std::endl;
}

void UIInitializer::centerWindowOnScreen()
{
    window->move(centeredOnScreenUnderCursor(window->geometry().size()));
}

void UIInitializer::initializeDiskProgressBar()
{
    DiskUsage usage("/");
    usage.updateUsage();
    window->ui->diskProgressBar->setRange(0, 100);
    window->ui->diskProgressBar->setValue(static_cast<int>(usage.getUsagePercent()));
    updateDiskProgressBar();
}

void UIInitializer::updateDiskProgressBar()
{
    DiskUsage usage("/");
    usage.updateUsage();
    applyDiskGauge(window->ui->diskProgressBar, usage);
}
