#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

class WidgetTree : public ::testing::Test {
protected:
    void SetUp() override { ui.setupUi(&window); }

    QString textOf(const char* name)
    {
        QObject* o = window.findChild<QObject*>(QString::fromLatin1(name));
        if (!o)
            return QStringLiteral("<missing>");
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            return b->text();
        if (auto* l = qobject_cast<QLabel*>(o))
            return l->text();
        if (auto* e = qobject_cast<QLineEdit*>(o))
            return e->text();
        if (auto* g = qobject_cast<QGroupBox*>(o))
            return g->title();
        return QStringLiteral("<no text>");
    }

    QMainWindow window;
    Ui_MainWindow ui;
};

TEST_F(WidgetTree, WindowTitleAndSize)
{
    EXPECT_EQ(window.objectName(), QStringLiteral("MainWindow"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("信号处理原理样机"));
    EXPECT_EQ(window.minimumSize(), QSize(800, 600));
}

TEST_F(WidgetTree, ControlsCarryTheirTexts)
{
    const struct {
        const char* name;
        const char* text;
    } cases[] = {
        {"sendButton", "发送"},          {"receiveButton", "接收"},
        {"saveButton", "保存"},          {"playbackButton", "回放"},
        {"send_PC_reset", "复位"},       {"dataclearButton", "清空保存"},
        {"trashEmptyButton", "清空回收站"}, {"UDP_Mode_Button", "设置该节点为主机"},
        {"label_18", "PCIe 温度："},     {"PCIe_temp", "0 ℃"},
        {"label_31", "磁盘状况："},      {"label", "PCIe 状态"},
        {"label_3", "光口 A 状态"},      {"label_4", "光口 B 状态"},
        {"label_2", "Tx状态"},           {"label_6", "Rx状态"},
        {"PCIe_status", "PCIe"},         {"auroraA_led", "LedA"},
        {"Tx_status", "LedTx"},          {"Rx_status", "LedRx"},
        {"groupBox", "系统参数"},        {"groupBox_2", "发射参数"},
        {"groupBox_3", "接收参数"},      {"Data_Proc", "数据处理"},
        {"Data_Div", "数据提取"},        {"data_proc_done", "proc_sta"},
        {"label_Rresult", "最大探测距离: 0 km"}, {"pushButton_Rcal", "开始计算"},
        {"lineEdit_Pt", "320"},          {"lineEdit_G", "19"},
        {"lineEdit_f", "2.6"},           {"lineEdit_RCS", "0.01"},
        {"lineEdit_Bf", "260"},          {"lineEdit_Bs", "122.88"},
        {"lineEdit_Nint", "256"},        {"lineEdit_pw", "2"},
        {"lineEdit_NF", "6"},            {"lineEdit_SNR", "17.9"},
        {"lineEdit_Ls", "11"},           {"lineEdit_La", "0.1"},
        {"label_19", "发射功率(W)"},     {"label_24", "滤波器带宽(MHz)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textOf(c.name), QString::fromUtf8(c.text)) << c.name;
}

TEST_F(WidgetTree, SpinBoxesHaveTheirRangesAndNoArrows)
{
    const struct {
        QSpinBox* box;
        int minimum, maximum, value;
    } cases[] = {
        {ui.spinBox_freq, 10, 6000, 2600},       {ui.spinBox_bandwidth, 10, 400000, 30720},
        {ui.spinBox_tx_rate, 10, 122880, 10},    {ui.spinBox_tx_gain, 10, 60, 60},
        {ui.spinBox_rx_rate, 10, 122880, 10},    {ui.spinBox_rx_gain, 10, 60, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box->objectName().toStdString());
        EXPECT_EQ(c.box->minimum(), c.minimum);
        EXPECT_EQ(c.box->maximum(), c.maximum);
        EXPECT_EQ(c.box->value(), c.value);
        EXPECT_EQ(c.box->buttonSymbols(), QAbstractSpinBox::NoButtons);
        c.box->setValue(0);  // refused by the minimum
        EXPECT_EQ(c.box->value(), c.minimum);
    }
}

TEST_F(WidgetTree, FirstTabOfEveryTabWidgetIsCurrent)
{
    EXPECT_EQ(ui.tabWidget_main->tabText(ui.tabWidget_main->currentIndex()), QStringLiteral("发射波形"));
    EXPECT_EQ(ui.tabWidget_tx->tabText(ui.tabWidget_tx->currentIndex()), QStringLiteral("Tab 1"));
    EXPECT_EQ(ui.tabWidget_rx->tabText(ui.tabWidget_rx->currentIndex()), QStringLiteral("Tab 1"));
    EXPECT_EQ(ui.tabWidget_detect->tabText(ui.tabWidget_detect->currentIndex()), QStringLiteral("RD图"));
}

TEST_F(WidgetTree, PagesInTabOrder)
{
    const QStringList mainTabs = {"发射波形", "接收波形", "探测结果", "参数设置", "节点状态", "工具", "日志"};
    ASSERT_EQ(ui.tabWidget_main->count(), mainTabs.size());
    for (int i = 0; i < mainTabs.size(); ++i)
        EXPECT_EQ(ui.tabWidget_main->tabText(i), mainTabs[i]);
    const QStringList detectTabs = {"RD图", "step1", "step2", "step3"};
    ASSERT_EQ(ui.tabWidget_detect->count(), detectTabs.size());
    for (int i = 0; i < detectTabs.size(); ++i)
        EXPECT_EQ(ui.tabWidget_detect->tabText(i), detectTabs[i]);
    EXPECT_EQ(ui.tabWidget_detect->widget(0)->objectName(), QStringLiteral("tab_11"));
}

TEST_F(WidgetTree, ChannelBoxesListEightChannels)
{
    for (QComboBox* box : {ui.comboBox_Txch, ui.comboBox_Rxch}) {
        ASSERT_EQ(box->count(), 8);
        EXPECT_EQ(box->itemText(0), QStringLiteral("1"));
        EXPECT_EQ(box->itemText(7), QStringLiteral("8"));
        EXPECT_EQ(box->currentIndex(), 0);
    }
    EXPECT_EQ(ui.deviceSel->count(), 0);
}

TEST_F(WidgetTree, PlotAreasAreAtLeast150PixelsHigh)
{
    for (const char* name : {"plotwidget_tx", "specwidget_tx", "plotwidget_rx", "specwidget_rx", "specwidget_rd",
                             "specwidget_step1", "specwidget_step2", "specwidget_step3"}) {
        QWidget* w = window.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->minimumHeight(), 150) << name;
    }
}

TEST_F(WidgetTree, MenusHoldOnlyTheirActions)
{
    EXPECT_EQ(ui.menu->title(), QStringLiteral("文件"));
    EXPECT_EQ(ui.menu_2->title(), QStringLiteral("帮助"));
    const QList<QAction*> fileActions = ui.menu->actions();
    ASSERT_EQ(fileActions.size(), 3);
    EXPECT_EQ(fileActions[0], ui.txFileSel);
    EXPECT_TRUE(fileActions[1]->isSeparator());
    EXPECT_EQ(fileActions[2], ui.action_log);
    ASSERT_EQ(ui.menu_2->actions().size(), 1);
    EXPECT_EQ(ui.menu_2->actions()[0]->text(), QStringLiteral("关于 ZELT"));
    for (QAction* hidden : {ui.Cali_emission, ui.Cali_receive, ui.PCIe_test, ui.PCIe_performance, ui.File_send,
                            ui.File_receive})
        EXPECT_TRUE(hidden->associatedWidgets().isEmpty()) << hidden->objectName().toStdString();
    EXPECT_EQ(ui.File_send->text(), QStringLiteral("读取发送文件"));
}

}  // namespace
