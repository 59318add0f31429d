#include "disk_gauge.h"
#include "errors.h"
#include "led.h"
#include "raii.h"

#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(StatusLamp, SetLedBuildsTheLampStyle)
{
    const struct {
        int state, size;
        const char* style;
    } cases[] = {
        {2, 16,
         "min-width: 16px;min-height: 16px;max-width: 16px;max-height: 16px;border-radius: 8px;"
         "border:1px solid black;background-color:rgb(46,204,113)"},
        {0, 16,
         "min-width: 16px;min-height: 16px;max-width: 16px;max-height: 16px;border-radius: 8px;"
         "border:1px solid black;background-color:rgb(190,190,190)"},
        {1, 15,
         "min-width: 15px;min-height: 15px;max-width: 15px;max-height: 15px;border-radius: 7px;"
         "border:1px solid black;background-color:rgb(255,0,0)"},
        {3, 10,
         "min-width: 10px;min-height: 10px;max-width: 10px;max-height: 10px;border-radius: 5px;"
         "border:1px solid black;background-color:rgb(255,255,0)"},
        {7, 16,
         "min-width: 16px;min-height: 16px;max-width: 16px;max-height: 16px;border-radius: 8px;"
         "border:1px solid black;background-color:"},
    };
    for (const auto& c : cases) {
        QLabel lamp(QStringLiteral("LedA"));
        setLED(&lamp, c.state, c.size);
        EXPECT_EQ(lamp.styleSheet(), QString::fromLatin1(c.style)) << "state " << c.state;
        EXPECT_TRUE(lamp.text().isEmpty());
    }
}

TEST(StatusLamp, DeviceStatusPaintsByName)
{
    const struct {
        int status, size;
        const char* style;
    } cases[] = {
        {StatusManager::STATUS_GREEN, 16, "QLabel { background-color: green; border-radius: 8px; }"},
        {StatusManager::STATUS_RED, 16, "QLabel { background-color: red; border-radius: 8px; }"},
        {StatusManager::STATUS_YELLOW, 15, "QLabel { background-color: yellow; border-radius: 7px; }"},
        {StatusManager::STATUS_GREY, 16, "QLabel { background-color: gray; border-radius: 8px; }"},
        {7, 16, "QLabel { background-color: gray; border-radius: 8px; }"},
    };
    for (const auto& c : cases) {
        QLabel lamp(QStringLiteral("PCIe"));
        StatusManager::setDeviceStatus(&lamp, static_cast<StatusManager::DeviceStatus>(c.status), c.size);
        EXPECT_EQ(lamp.styleSheet(), QString::fromLatin1(c.style)) << "status " << c.status;
        EXPECT_EQ(lamp.size(), QSize(c.size, c.size));
        EXPECT_TRUE(lamp.text().isEmpty());
    }
    StatusManager::setDeviceStatus(nullptr, StatusManager::STATUS_GREEN, 16);  // must not crash
}

TEST(DiskGauge, ColourChangesAtFiftyAndEightyPercent)
{
    const QString green = QStringLiteral("QProgressBar::chunk { background-color: #4CAF50; }");
    const QString amber = QStringLiteral("QProgressBar::chunk { background-color: #FFC107; }");
    const QString red = QStringLiteral("QProgressBar::chunk { background-color: #F44336; }");
    const struct {
        double percent;
        QString style;
    } cases[] = {{0, green}, {49.99, green}, {50, amber}, {79.99, amber}, {80, red}, {100, red}};
    for (const auto& c : cases)
        EXPECT_EQ(diskGaugeStyle(c.percent), c.style) << c.percent;
}

TEST(DiskGauge, TextShowsOneDecimalGigabytes)
{
    EXPECT_EQ(diskGaugeText(123.44, 931.51), QStringLiteral(" 123.4 / 931.5 GB "));
    EXPECT_EQ(diskGaugeText(0, 0), QStringLiteral(" 0.0 / 0.0 GB "));
}

TEST(ConsoleLog, PrefixesByLevel)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ErrorHandler::logInfo("Starting");
    ErrorHandler::logError("Broken");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[INFO] Starting\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[ERROR] Broken\n");
}

TEST(ConsoleLog, HardwareTestReportGoesToTheRightStream)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    StatusManager::reportHardwareTest("PCIe", true);
    StatusManager::reportHardwareTest("DDR", false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PCIe测试成功\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DDR测试失败\n");
}

TEST(ParameterValidator, DevicePathMustBeNonEmpty)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ParameterValidator::validateDevicePath(""));
    EXPECT_FALSE(ParameterValidator::validateDevicePath(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[ERROR] Device path is null or empty\n[ERROR] Device path is null or empty\n");
    EXPECT_TRUE(ParameterValidator::validateDevicePath("/dev/xdma0_user"));
    EXPECT_TRUE(ParameterValidator::validateSampleParameters());
}

TEST(FileRAII, OpenFailureNamesPurposeAndPath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/file.bin"));
    try {
        FileRAII file(path, QIODevice::ReadOnly, QStringLiteral("读取"));
        FAIL() << "opening a missing file succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(QString::fromStdString(error.what()), QStringLiteral("无法打开文件进行读取: ") + path);
    }
}

TEST(FileRAII, ClosesTheFileWhenItGoes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.bin"));
    {
        FileRAII file(path, QIODevice::WriteOnly, QStringLiteral("写入"));
        ASSERT_TRUE(file.get().isOpen());
        file.get().write("abc", 3);
    }
    QFile check(path);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("abc"));
}

TEST(ErrorTypes, CarryTheirMessage)
{
    EXPECT_STREQ(HardwareError("link down").what(), "link down");
    EXPECT_STREQ(ValidationError("bad rate").what(), "bad rate");
    const std::runtime_error& base = ValidationError("x");
    EXPECT_STREQ(base.what(), "x");
}

}  // namespace
