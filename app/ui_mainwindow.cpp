#include "ui_mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QWidget* plotArea(QWidget* parent, const char* name)
{
    QWidget* w = named(new QWidget(parent), name);
    w->setMinimumHeight(150);
    return w;
}

QSpinBox* spinBox(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    QSpinBox* box = named(new QSpinBox(parent), name);
    box->setEnabled(true);
    box->setReadOnly(false);
    box->setMinimumWidth(20);
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    box->setRange(minimum, maximum);
    box->setSingleStep(1);
    box->setValue(value);
    return box;
}

QSpacerItem* hSpacer()
{
    return new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

QString tr(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

}  // namespace

void Ui_MainWindow::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(800, 600);
    window->setMinimumSize(800, 600);

    txFileSel = named(new QAction(window), "txFileSel");
    action_log = named(new QAction(window), "action_log");
    action_Varnex = named(new QAction(window), "action_Varnex");
    Cali_emission = named(new QAction(window), "Cali_emission");
    Cali_emission->setCheckable(false);
    Cali_receive = named(new QAction(window), "Cali_receive");
    PCIe_test = named(new QAction(window), "PCIe_test");
    PCIe_performance = named(new QAction(window), "PCIe_performance");
    File_send = named(new QAction(window), "File_send");
    File_receive = named(new QAction(window), "File_receive");

    centralwidget = named(new QWidget(window), "centralwidget");
    gridLayout_10 = named(new QGridLayout(centralwidget), "gridLayout_10");
    tabWidget_main = named(new QTabWidget(centralwidget), "tabWidget_main");

    // Transmit waveform page.
    tab_tx = named(new QWidget(), "tab_tx");
    verticalLayout_4 = named(new QVBoxLayout(tab_tx), "verticalLayout_4");
    tabWidget_tx = named(new QTabWidget(tab_tx), "tabWidget_tx");
    tab_4 = named(new QWidget(), "tab_4");
    verticalLayout_5 = named(new QVBoxLayout(tab_4), "verticalLayout_5");
    plotwidget_tx = plotArea(tab_4, "plotwidget_tx");
    specwidget_tx = plotArea(tab_4, "specwidget_tx");
    comboBox_Txch = named(new QComboBox(tab_4), "comboBox_Txch");
    verticalLayout_5->addWidget(plotwidget_tx);
    verticalLayout_5->addWidget(specwidget_tx);
    verticalLayout_5->addWidget(comboBox_Txch);
    tabWidget_tx->addTab(tab_4, QString());
    tab_6 = named(new QWidget(), "tab_6");
    gridLayout_4 = named(new QGridLayout(tab_6), "gridLayout_4");
    chartView = named(new QtCharts::QChartView(tab_6), "chartView");
    gridLayout_4->addWidget(chartView, 0, 0, 1, 1);
    tabWidget_tx->addTab(tab_6, QString());
    verticalLayout_4->addWidget(tabWidget_tx);
    tabWidget_main->addTab(tab_tx, QString());

    // Receive waveform page.
    tab_rx = named(new QWidget(), "tab_rx");
    gridLayout_3 = named(new QGridLayout(tab_rx), "gridLayout_3");
    tabWidget_rx = named(new QTabWidget(tab_rx), "tabWidget_rx");
    tab_8 = named(new QWidget(), "tab_8");
    verticalLayout_7 = named(new QVBoxLayout(tab_8), "verticalLayout_7");
    plotwidget_rx = plotArea(tab_8, "plotwidget_rx");
    specwidget_rx = plotArea(tab_8, "specwidget_rx");
    comboBox_Rxch = named(new QComboBox(tab_8), "comboBox_Rxch");
    verticalLayout_7->addWidget(plotwidget_rx);
    verticalLayout_7->addWidget(specwidget_rx);
    verticalLayout_7->addWidget(comboBox_Rxch);
    tabWidget_rx->addTab(tab_8, QString());
    tab_9 = named(new QWidget(), "tab_9");
    gridLayout_5 = named(new QGridLayout(tab_9), "gridLayout_5");
    rxchartView = named(new QtCharts::QChartView(tab_9), "rxchartView");
    gridLayout_5->addWidget(rxchartView, 0, 0, 1, 1);
    tabWidget_rx->addTab(tab_9, QString());
    gridLayout_3->addWidget(tabWidget_rx, 0, 0, 1, 1);
    tabWidget_main->addTab(tab_rx, QString());

    // Detection page: the range-Doppler map and the three processing steps.
    tab_detect = named(new QWidget(), "tab_detect");
    verticalLayout_9 = named(new QVBoxLayout(tab_detect), "verticalLayout_9");
    tabWidget_detect = named(new QTabWidget(tab_detect), "tabWidget_detect");
    auto detectPage = [this](QWidget*& page, const char* pageName, QGridLayout*& grid, const char* gridName,
                             QWidget*& area, const char* areaName) {
        page = named(new QWidget(), pageName);
        grid = named(new QGridLayout(page), gridName);
        area = plotArea(page, areaName);
        grid->addWidget(area, 0, 0, 1, 1);
        tabWidget_detect->addTab(page, QString());
    };
    detectPage(tab_11, "tab_11", gridLayout_6, "gridLayout_6", specwidget_rd, "specwidget_rd");
    detectPage(tab_10, "tab_10", gridLayout_7, "gridLayout_7", specwidget_step1, "specwidget_step1");
    detectPage(tab_12, "tab_12", gridLayout_8, "gridLayout_8", specwidget_step2, "specwidget_step2");
    detectPage(tab_13, "tab_13", gridLayout_9, "gridLayout_9", specwidget_step3, "specwidget_step3");
    verticalLayout_9->addWidget(tabWidget_detect);
    tabWidget_main->addTab(tab_detect, QString());

    // Parameter page.
    tab_para = named(new QWidget(), "tab_para");
    verticalLayout_2 = named(new QVBoxLayout(tab_para), "verticalLayout_2");
    groupBox = named(new QGroupBox(tab_para), "groupBox");
    gridLayout_2 = named(new QGridLayout(groupBox), "gridLayout_2");
    label_5 = named(new QLabel(groupBox), "label_5");
    spinBox_freq = spinBox(groupBox, "spinBox_freq", 10, 6000, 2600);
    label_8 = named(new QLabel(groupBox), "label_8");
    label_7 = named(new QLabel(groupBox), "label_7");
    spinBox_bandwidth = spinBox(groupBox, "spinBox_bandwidth", 10, 400000, 30720);
    label_9 = named(new QLabel(groupBox), "label_9");
    gridLayout_2->addWidget(label_5, 0, 0);
    gridLayout_2->addWidget(spinBox_freq, 0, 1);
    gridLayout_2->addWidget(label_8, 0, 2);
    gridLayout_2->addWidget(label_7, 1, 0);
    gridLayout_2->addWidget(spinBox_bandwidth, 1, 1);
    gridLayout_2->addWidget(label_9, 1, 2);
    verticalLayout_2->addWidget(groupBox);

    groupBox_2 = named(new QGroupBox(tab_para), "groupBox_2");
    gridLayout_12 = named(new QGridLayout(groupBox_2), "gridLayout_12");
    label_10 = named(new QLabel(groupBox_2), "label_10");
    spinBox_tx_rate = spinBox(groupBox_2, "spinBox_tx_rate", 10, 122880, 10);
    label_12 = named(new QLabel(groupBox_2), "label_12");
    label_14 = named(new QLabel(groupBox_2), "label_14");
    spinBox_tx_gain = spinBox(groupBox_2, "spinBox_tx_gain", 10, 60, 60);
    label_13 = named(new QLabel(groupBox_2), "label_13");
    gridLayout_12->addWidget(label_10, 0, 0);
    gridLayout_12->addWidget(spinBox_tx_rate, 0, 1);
    gridLayout_12->addWidget(label_12, 0, 2);
    gridLayout_12->addWidget(label_14, 1, 0);
    gridLayout_12->addWidget(spinBox_tx_gain, 1, 1);
    gridLayout_12->addWidget(label_13, 1, 2);
    verticalLayout_2->addWidget(groupBox_2);

    groupBox_3 = named(new QGroupBox(tab_para), "groupBox_3");
    gridLayout_11 = named(new QGridLayout(groupBox_3), "gridLayout_11");
    label_11 = named(new QLabel(groupBox_3), "label_11");
    spinBox_rx_rate = spinBox(groupBox_3, "spinBox_rx_rate", 10, 122880, 10);
    label_16 = named(new QLabel(groupBox_3), "label_16");
    label_15 = named(new QLabel(groupBox_3), "label_15");
    spinBox_rx_gain = spinBox(groupBox_3, "spinBox_rx_gain", 10, 60, 60);
    label_17 = named(new QLabel(groupBox_3), "label_17");
    gridLayout_11->addWidget(label_11, 0, 0);
    gridLayout_11->addWidget(spinBox_rx_rate, 0, 1);
    gridLayout_11->addWidget(label_16, 0, 2);
    gridLayout_11->addWidget(label_15, 0, 3);
    gridLayout_11->addWidget(spinBox_rx_gain, 0, 4);
    gridLayout_11->addWidget(label_17, 0, 5);
    horizontalLayout = named(new QHBoxLayout(), "horizontalLayout");
    horizontalLayout->setSpacing(0);
    Data_Proc = named(new QPushButton(groupBox_3), "Data_Proc");
    data_proc_done = named(new QLabel(groupBox_3), "data_proc_done");
    Channel_Sel = named(new QLineEdit(groupBox_3), "Channel_Sel");
    Channel_Sel->setMinimumWidth(30);
    Data_Div = named(new QPushButton(groupBox_3), "Data_Div");
    div_ok = named(new QLabel(groupBox_3), "div_ok");
    horizontalLayout->addWidget(Data_Proc);
    horizontalLayout->addItem(hSpacer());
    horizontalLayout->addWidget(data_proc_done);
    horizontalLayout->addItem(hSpacer());
    horizontalLayout->addWidget(Channel_Sel);
    horizontalLayout->addItem(hSpacer());
    horizontalLayout->addWidget(Data_Div);
    horizontalLayout->addItem(hSpacer());
    horizontalLayout->addWidget(div_ok);
    gridLayout_11->addLayout(horizontalLayout, 1, 0, 1, 6);
    verticalLayout_2->addWidget(groupBox_3);
    tabWidget_main->addTab(tab_para, QString());

    tab = named(new QWidget(), "tab");
    tabWidget_main->addTab(tab, QString());

    // Tools page: maximum detection range from the radar equation.
    tab_2 = named(new QWidget(), "tab_2");
    gridLayout_14 = named(new QGridLayout(tab_2), "gridLayout_14");
    gridLayout_13 = named(new QGridLayout(), "gridLayout_13");
    struct Field {
        QLabel** label;
        const char* labelName;
        QLineEdit** edit;
        const char* editName;
    };
    const Field fields[6][2] = {
        {{&label_19, "label_19", &lineEdit_Pt, "lineEdit_Pt"}, {&label_26, "label_26", &lineEdit_Nint, "lineEdit_Nint"}},
        {{&label_20, "label_20", &lineEdit_G, "lineEdit_G"}, {&label_25, "label_25", &lineEdit_pw, "lineEdit_pw"}},
        {{&label_21, "label_21", &lineEdit_f, "lineEdit_f"}, {&label_28, "label_28", &lineEdit_NF, "lineEdit_NF"}},
        {{&label_22, "label_22", &lineEdit_RCS, "lineEdit_RCS"}, {&label_27, "label_27", &lineEdit_SNR, "lineEdit_SNR"}},
        {{&label_24, "label_24", &lineEdit_Bf, "lineEdit_Bf"}, {&label_30, "label_30", &lineEdit_Ls, "lineEdit_Ls"}},
        {{&label_23, "label_23", &lineEdit_Bs, "lineEdit_Bs"}, {&label_29, "label_29", &lineEdit_La, "lineEdit_La"}},
    };
    for (int row = 0; row < 6; ++row) {
        for (int side = 0; side < 2; ++side) {
            const Field& f = fields[row][side];
            *f.label = named(new QLabel(tab_2), f.labelName);
            *f.edit = named(new QLineEdit(tab_2), f.editName);
            gridLayout_13->addWidget(*f.label, row, side * 2);
            gridLayout_13->addWidget(*f.edit, row, side * 2 + 1);
        }
    }
    gridLayout_14->addLayout(gridLayout_13, 0, 0, 1, 2);
    label_Rresult = named(new QLabel(tab_2), "label_Rresult");
    pushButton_Rcal = named(new QPushButton(tab_2), "pushButton_Rcal");
    gridLayout_14->addWidget(label_Rresult, 1, 0);
    gridLayout_14->addWidget(pushButton_Rcal, 1, 1);
    tabWidget_main->addTab(tab_2, QString());

    tab_log = named(new QWidget(), "tab_log");
    verticalLayout_8 = named(new QVBoxLayout(tab_log), "verticalLayout_8");
    logTextBrowser = named(new QTextBrowser(tab_log), "logTextBrowser");
    verticalLayout_8->addWidget(logTextBrowser);
    tabWidget_main->addTab(tab_log, QString());

    gridLayout_10->addWidget(tabWidget_main, 0, 0, 12, 1);

    // Control column.
    deviceSel = named(new QComboBox(centralwidget), "deviceSel");
    deviceSel->setMinimumSize(200, 40);
    gridLayout_10->addWidget(deviceSel, 0, 1);
    QPushButton** buttons[] = {&sendButton,    &receiveButton,   &saveButton,       &playbackButton,
                               &send_PC_reset, &dataclearButton, &trashEmptyButton, &UDP_Mode_Button};
    const char* buttonNames[] = {"sendButton",    "receiveButton",   "saveButton",       "playbackButton",
                                 "send_PC_reset", "dataclearButton", "trashEmptyButton", "UDP_Mode_Button"};
    for (int i = 0; i < 8; ++i) {
        *buttons[i] = named(new QPushButton(centralwidget), buttonNames[i]);
        (*buttons[i])->setMinimumSize(200, 50);
        gridLayout_10->addWidget(*buttons[i], 1 + i, 1);
    }
    gridLayout_10->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 9, 1);

    horizontalLayout_2 = named(new QHBoxLayout(), "horizontalLayout_2");
    label_18 = named(new QLabel(centralwidget), "label_18");
    PCIe_temp = named(new QLabel(centralwidget), "PCIe_temp");
    horizontalLayout_2->addWidget(label_18);
    horizontalLayout_2->addWidget(PCIe_temp);
    gridLayout_10->addLayout(horizontalLayout_2, 10, 1);

    horizontalLayout_3 = named(new QHBoxLayout(), "horizontalLayout_3");
    label_31 = named(new QLabel(centralwidget), "label_31");
    diskProgressBar = named(new QProgressBar(centralwidget), "diskProgressBar");
    diskProgressBar->setMinimumSize(110, 20);
    QFont barFont = diskProgressBar->font();
    barFont.setPointSize(8);
    diskProgressBar->setFont(barFont);
    diskProgressBar->setValue(24);
    horizontalLayout_3->addWidget(label_31);
    horizontalLayout_3->addWidget(diskProgressBar);
    gridLayout_10->addLayout(horizontalLayout_3, 11, 1);

    // Status row: label and lamp pairs with spacers between them.
    gridLayout = named(new QGridLayout(), "gridLayout");
    QLabel** statusLabels[] = {&label, &label_3, &label_4, &label_2, &label_6};
    const char* statusLabelNames[] = {"label", "label_3", "label_4", "label_2", "label_6"};
    QLabel** lamps[] = {&PCIe_status, &auroraA_led, &auroraB_led, &Tx_status, &Rx_status};
    const char* lampNames[] = {"PCIe_status", "auroraA_led", "auroraB_led", "Tx_status", "Rx_status"};
    int column = 0;
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            gridLayout->addItem(hSpacer(), 0, column++);
        *statusLabels[i] = named(new QLabel(centralwidget), statusLabelNames[i]);
        *lamps[i] = named(new QLabel(centralwidget), lampNames[i]);
        gridLayout->addWidget(*statusLabels[i], 0, column++);
        gridLayout->addWidget(*lamps[i], 0, column++);
    }
    gridLayout_10->addLayout(gridLayout, 12, 0, 1, 2);

    window->setCentralWidget(centralwidget);

    menubar = named(new QMenuBar(window), "menubar");
    menubar->setGeometry(QRect(0, 0, 800, 27));
    menu = named(new QMenu(menubar), "menu");
    menu_2 = named(new QMenu(menubar), "menu_2");
    window->setMenuBar(menubar);
    menubar->addAction(menu->menuAction());
    menubar->addAction(menu_2->menuAction());
    menu->addAction(txFileSel);
    menu->addSeparator();
    menu->addAction(action_log);
    menu_2->addAction(action_Varnex);

    retranslateUi(window);

    tabWidget_main->setCurrentIndex(0);
    tabWidget_tx->setCurrentIndex(0);
    tabWidget_rx->setCurrentIndex(0);
    tabWidget_detect->setCurrentIndex(0);

    QMetaObject::connectSlotsByName(window);
}

void Ui_MainWindow::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(tr("信号处理原理样机"));
    txFileSel->setText(tr("选择发射文件"));
    action_log->setText(tr("保存log文件"));
    action_Varnex->setText(tr("关于 ZELT"));
    Cali_emission->setText(tr("发射校准"));
    Cali_receive->setText(tr("接收校准"));
    PCIe_test->setText(tr("PCIe识别"));
    PCIe_performance->setText(tr("PCIe速率测试"));
    File_send->setText(tr("读取发送文件"));
    File_receive->setText(tr("存储接收文件"));

    const char* channels[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
    for (QComboBox* box : {comboBox_Txch, comboBox_Rxch}) {
        box->clear();
        for (const char* c : channels)
            box->addItem(tr(c));
    }

    tabWidget_tx->setTabText(tabWidget_tx->indexOf(tab_4), tr("Tab 1"));
    tabWidget_tx->setTabText(tabWidget_tx->indexOf(tab_6), tr("Tab 2"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab_tx), tr("发射波形"));
    tabWidget_rx->setTabText(tabWidget_rx->indexOf(tab_8), tr("Tab 1"));
    tabWidget_rx->setTabText(tabWidget_rx->indexOf(tab_9), tr("Tab 2"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab_rx), tr("接收波形"));
    tabWidget_detect->setTabText(tabWidget_detect->indexOf(tab_11), tr("RD图"));
    tabWidget_detect->setTabText(tabWidget_detect->indexOf(tab_10), tr("step1"));
    tabWidget_detect->setTabText(tabWidget_detect->indexOf(tab_12), tr("step2"));
    tabWidget_detect->setTabText(tabWidget_detect->indexOf(tab_13), tr("step3"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab_detect), tr("探测结果"));

    groupBox->setTitle(tr("系统参数"));
    label_5->setText(tr("频率"));
    label_8->setText(tr("MHz"));
    label_7->setText(tr("带宽"));
    label_9->setText(tr("KHz"));
    groupBox_2->setTitle(tr("发射参数"));
    label_10->setText(tr("tx_rate"));
    label_12->setText(tr("KHz"));
    label_14->setText(tr("tx_gain"));
    label_13->setText(tr("dB"));
    groupBox_3->setTitle(tr("接收参数"));
    label_11->setText(tr("rx_rate"));
    label_16->setText(tr("KHz"));
    label_15->setText(tr("rx_gain"));
    label_17->setText(tr("dB"));
    Data_Proc->setText(tr("数据处理"));
    data_proc_done->setText(tr("proc_sta"));
    Data_Div->setText(tr("数据提取"));
    div_ok->setText(tr("div_ok"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab_para), tr("参数设置"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab), tr("节点状态"));

    label_19->setText(tr("发射功率(W)"));
    lineEdit_Pt->setText(tr("320"));
    label_26->setText(tr("累积脉冲数"));
    lineEdit_Nint->setText(tr("256"));
    label_20->setText(tr("天线增益(dB)"));
    lineEdit_G->setText(tr("19"));
    label_25->setText(tr("脉宽(us)"));
    lineEdit_pw->setText(tr("2"));
    label_21->setText(tr("频率(GHz)"));
    lineEdit_f->setText(tr("2.6"));
    label_28->setText(tr("噪声系数"));
    lineEdit_NF->setText(tr("6"));
    label_22->setText(tr("RCS"));
    lineEdit_RCS->setText(tr("0.01"));
    label_27->setText(tr("检测信噪比"));
    lineEdit_SNR->setText(tr("17.9"));
    label_24->setText(tr("滤波器带宽(MHz)"));
    lineEdit_Bf->setText(tr("260"));
    label_30->setText(tr("系统损耗"));
    lineEdit_Ls->setText(tr("11"));
    label_23->setText(tr("信号带宽(MHz)"));
    lineEdit_Bs->setText(tr("122.88"));
    label_29->setText(tr("大气损耗"));
    lineEdit_La->setText(tr("0.1"));
    label_Rresult->setText(tr("最大探测距离: 0 km"));
    pushButton_Rcal->setText(tr("开始计算"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab_2), tr("工具"));
    tabWidget_main->setTabText(tabWidget_main->indexOf(tab_log), tr("日志"));

    sendButton->setText(tr("发送"));
    receiveButton->setText(tr("接收"));
    saveButton->setText(tr("保存"));
    playbackButton->setText(tr("回放"));
    send_PC_reset->setText(tr("复位"));
    dataclearButton->setText(tr("清空保存"));
    trashEmptyButton->setText(tr("清空回收站"));
    UDP_Mode_Button->setText(tr("设置该节点为主机"));
    label_18->setText(tr("PCIe 温度："));
    PCIe_temp->setText(tr("0 ℃"));
    label_31->setText(tr("磁盘状况："));

    label->setText(tr("PCIe 状态"));
    PCIe_status->setText(tr("PCIe"));
    label_3->setText(tr("光口 A 状态"));
    auroraA_led->setText(tr("LedA"));
    label_4->setText(tr("光口 B 状态"));
    auroraB_led->setText(tr("LedB"));
    label_2->setText(tr("Tx状态"));
    Tx_status->setText(tr("LedTx"));
    label_6->setText(tr("Rx状态"));
    Rx_status->setText(tr("LedRx"));

    menu->setTitle(tr("文件"));
    menu_2->setTitle(tr("帮助"));
}
