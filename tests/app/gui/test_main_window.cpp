#include "automation.h"
#include "mainwindow.h"
#include "message_log.h"
#include "modal_dismisser.h"
#include "runtime.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// One window per test, built in a scratch working directory (the send button
// writes "tx_buff.dat" there) and closed through its normal close path.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(scratch.path());
        testing::internal::CaptureStdout();
        window = std::make_unique<MainWindow>();
        startupOutput = testing::internal::GetCapturedStdout();
    }

    void TearDown() override
    {
        if (window && window->isVisible())
            window->close();
        else if (window && window->runtime)
            window->close();
        window.reset();
        QDir::setCurrent(previousDir);
    }

    Ui_MainWindow& ui() { return *window->ui; }

    QTemporaryDir scratch;
    QString previousDir;
    std::unique_ptr<MainWindow> window;
    std::string startupOutput;
};

TEST_F(MainWindowTest, StartsUpInTheSpecifiedOrder)
{
    const char* expectedInOrder[] = {
        "-- Start launch UI",
        "[INFO] Starting UI initialization...",
        "[INFO] Buffers initialized successfully with 4096 samples per pulse, 256 pulses",
        "<<<Welcom to Varnex ",
        "UHD not found. USRP support disabled.",
        "[INFO] UI initialization completed successfully",
        "-- Start launch Thread",
        "deviceDetected 连接是否成功:1",
        "getRxData 连接是否成功:1",
        "添加自回环模式设备: 0_自回环模式",
        "-- Start launch Timer",
    };
    std::size_t at = 0;
    for (const char* line : expectedInOrder) {
        const std::size_t found = startupOutput.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line;
        at = found;
    }
}

TEST_F(MainWindowTest, ListsTheLoopbackDeviceOnceTheEventLoopRuns)
{
    ASSERT_TRUE(waitUntil([&] { return ui().deviceSel->count() > 0; }));
    QTest::qWait(50);
    ASSERT_EQ(ui().deviceSel->count(), 1);
    EXPECT_EQ(ui().deviceSel->itemText(0), QStringLiteral("0") + QStringLiteral("_自回环模式"));
}

TEST_F(MainWindowTest, LampsStartGreyAndTemperatureUnknown)
{
    for (QLabel* lamp : {ui().auroraA_led, ui().auroraB_led, ui().Tx_status, ui().Rx_status, ui().PCIe_status,
                         ui().data_proc_done, ui().div_ok}) {
        EXPECT_EQ(lamp->styleSheet(), QStringLiteral("QLabel { background-color: gray; border-radius: 8px; }"))
            << lamp->objectName().toStdString();
        EXPECT_EQ(lamp->size(), QSize(16, 16));
    }
    EXPECT_EQ(ui().PCIe_temp->text(), QStringLiteral("-- ℃"));
    EXPECT_EQ(ui().diskProgressBar->maximum(), 100);
    EXPECT_TRUE(ui().diskProgressBar->format().endsWith(QStringLiteral(" GB ")));
}

TEST_F(MainWindowTest, SendButtonStartsStopsAndRegenerates)
{
    testing::internal::CaptureStdout();
    ui().sendButton->click();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ui().sendButton->text(), QStringLiteral("停止发送"));
    ASSERT_EQ(window->tx_buff.size(), 1048576u);
    EXPECT_NE(out.find("tx_buff is empty!"), std::string::npos);
    EXPECT_NE(out.find("开始数据发送..."), std::string::npos);
    // tx_ref: one 256-sample chirp, then silence.
    ASSERT_EQ(window->tx_ref.size(), 4096u);
    EXPECT_NEAR(std::abs(window->tx_ref[0]), 1.0f, 1e-6f);
    EXPECT_NEAR(std::abs(window->tx_ref[255]), 1.0f, 1e-6f);
    EXPECT_EQ(window->tx_ref[256], std::complex<float>(0, 0));
    EXPECT_EQ(QFileInfo(QStringLiteral("tx_buff.dat")).size(), 1048576 * 8);

    testing::internal::CaptureStdout();
    ui().sendButton->click();
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ui().sendButton->text(), QStringLiteral("发送"));
    EXPECT_NE(out.find("停止数据发送..."), std::string::npos);
    ASSERT_EQ(window->tx_buff.size(), 1048576u);
    EXPECT_TRUE(std::all_of(window->tx_buff.begin(), window->tx_buff.end(),
                            [](std::complex<float> s) { return s == std::complex<float>(0, 0); }));

    testing::internal::CaptureStdout();
    ui().sendButton->click();
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ui().sendButton->text(), QStringLiteral("停止发送"));
    EXPECT_NE(out.find("tx_buff is empty!"), std::string::npos) << "third click did not regenerate";
    EXPECT_NEAR(std::abs(window->tx_buff[0]), 1.0f, 1e-6f);
    ui().sendButton->click();  // leave the toggle off for later tests in this process
}

TEST_F(MainWindowTest, ReceivedLoopbackDataReachesTheWindow)
{
    ui().sendButton->click();
    ui().receiveButton->click();
    EXPECT_EQ(ui().receiveButton->text(), QStringLiteral("停止接收"));
    const std::vector<std::complex<float>> expected(window->tx_buff.begin(), window->tx_buff.begin() + 4096);
    ASSERT_TRUE(waitUntil([&] { return std::abs(window->rx_signal[10] - expected[10]) < 0.1f; }, 8000));
    ASSERT_EQ(window->real_signal.size(), 4096);
    EXPECT_NEAR(window->real_signal[10], expected[10].real(), 0.1f);
    EXPECT_EQ(window->rd_result.rdMap.size(), 128);
    ui().receiveButton->click();
    EXPECT_EQ(ui().receiveButton->text(), QStringLiteral("接收"));
    ui().sendButton->click();
}

TEST_F(MainWindowTest, RangeCalculatorShowsTheDefaultRange)
{
    ui().pushButton_Rcal->click();
    EXPECT_EQ(ui().label_Rresult->text(), QStringLiteral("最大探测距离: 1.25 km"));
}

TEST_F(MainWindowTest, RangeCalculatorWarnsForEachFaultyFieldInOrder)
{
    ModalDismisser dismisser;
    ui().lineEdit_Pt->setText(QString());
    ui().lineEdit_G->setText(QStringLiteral("abc"));
    ui().lineEdit_f->setText(QStringLiteral("0.05"));
    ui().pushButton_Rcal->click();
    ASSERT_EQ(dismisser.texts.size(), 3);
    EXPECT_EQ(dismisser.titles[0], QStringLiteral("输入错误"));
    EXPECT_EQ(dismisser.texts[0], QStringLiteral("发射功率(Pt) 不能为空！"));
    EXPECT_EQ(dismisser.texts[1], QStringLiteral("天线增益(G) 必须是数字！"));
    EXPECT_EQ(dismisser.texts[2], QStringLiteral("频率(f, GHz) 超出范围 (0.1 ~ 100)！"));
    EXPECT_EQ(ui().label_Rresult->text(), QStringLiteral("最大探测距离: 0 km"));
}

TEST_F(MainWindowTest, AboutBoxOpensFromTheHelpMenu)
{
    ModalDismisser dismisser;
    ui().action_Varnex->trigger();
    ASSERT_EQ(dismisser.titles.size(), 1);
    EXPECT_EQ(dismisser.titles[0], QStringLiteral("关于 ZELT"));
}

TEST_F(MainWindowTest, ChannelBoxesReachTheRuntime)
{
    ui().comboBox_Rxch->setCurrentIndex(3);
    ui().comboBox_Txch->setCurrentIndex(5);
    EXPECT_EQ(window->runtime->rx_channel, 3);
    EXPECT_EQ(window->runtime->tx_channel, 5);
}

TEST_F(MainWindowTest, FrequencyIsRememberedPerDevice)
{
    ASSERT_TRUE(waitUntil([&] { return ui().deviceSel->count() > 0; }));
    const QString device = ui().deviceSel->currentText();
    window->rf_list.append(RFConfig(device, 0, 0, 30, QStringLiteral("RX1")));
    window->rf_list.append(RFConfig(QStringLiteral("other"), 77, 0, 30, QStringLiteral("RX1")));
    ui().spinBox_freq->setValue(3100);
    EXPECT_EQ(window->rf_list[0].frequency, 3100.0);
    EXPECT_EQ(window->rf_list[1].frequency, 77.0);
}

TEST_F(MainWindowTest, ScreenshotsCoverEveryPageAndSubPage)
{
    QTemporaryDir out;
    const int written = Automation::saveScreenshots(window.get(), out.path());
    const QStringList names = screenshotPageNames(window.get());
    // 7 main pages, of which the wave pages have 2 sub-pages and detection 4.
    EXPECT_EQ(names.size(), 12);
    EXPECT_EQ(written, names.size());
    for (const QString& name : names)
        EXPECT_TRUE(QFileInfo(QDir(out.path()).filePath(name)).size() > 0) << name.toStdString();
    EXPECT_EQ(ui().tabWidget_main->currentIndex(), 0);
}

// Leaves the send toggle on, so it stays the last test of this file.
TEST_F(MainWindowTest, ClosingWhileStreamingStopsEveryThreadCleanly)
{
    ui().sendButton->click();
    ui().receiveButton->click();
    QTest::qWait(400);
    MessageLog log;
    testing::internal::CaptureStdout();
    window->close();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.countWarnings(QStringLiteral("Thread did not exit in time")), 0);
    EXPECT_EQ(log.countWarnings(QStringLiteral("Runtime thread did not exit cleanly")), 0);
    EXPECT_NE(out.find("Runtime shutdown"), std::string::npos);
    ASSERT_NE(window->runtime_thread, nullptr);
    EXPECT_TRUE(window->runtime_thread->isFinished());
}

}  // namespace
