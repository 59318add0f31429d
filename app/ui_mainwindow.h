#pragma once
// Widget tree of the main window. The object names are the interface: the
// window's slots bind to them by name and every helper finds its widgets here.
// The record owns nothing; the widgets belong to the Qt parent tree.

#include <QtCharts/QChartView>

class QAction;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTextBrowser;
class QVBoxLayout;
class QWidget;

class Ui_MainWindow {
public:
    QAction* txFileSel;
    QAction* action_log;
    QAction* action_Varnex;
    QAction* Cali_emission;
    QAction* Cali_receive;
    QAction* PCIe_test;
    QAction* PCIe_performance;
    QAction* File_send;
    QAction* File_receive;

    QWidget* centralwidget;
    QGridLayout* gridLayout_10;
    QTabWidget* tabWidget_main;

    QWidget* tab_tx;
    QVBoxLayout* verticalLayout_4;
    QTabWidget* tabWidget_tx;
    QWidget* tab_4;
    QVBoxLayout* verticalLayout_5;
    QWidget* plotwidget_tx;
    QWidget* specwidget_tx;
    QComboBox* comboBox_Txch;
    QWidget* tab_6;
    QGridLayout* gridLayout_4;
    QtCharts::QChartView* chartView;

    QWidget* tab_rx;
    QGridLayout* gridLayout_3;
    QTabWidget* tabWidget_rx;
    QWidget* tab_8;
    QVBoxLayout* verticalLayout_7;
    QWidget* plotwidget_rx;
    QWidget* specwidget_rx;
    QComboBox* comboBox_Rxch;
    QWidget* tab_9;
    QGridLayout* gridLayout_5;
    QtCharts::QChartView* rxchartView;

    QWidget* tab_detect;
    QVBoxLayout* verticalLayout_9;
    QTabWidget* tabWidget_detect;
    QWidget* tab_11;
    QGridLayout* gridLayout_6;
    QWidget* specwidget_rd;
    QWidget* tab_10;
    QGridLayout* gridLayout_7;
    QWidget* specwidget_step1;
    QWidget* tab_12;
    QGridLayout* gridLayout_8;
    QWidget* specwidget_step2;
    QWidget* tab_13;
    QGridLayout* gridLayout_9;
    QWidget* specwidget_step3;

    QWidget* tab_para;
    QVBoxLayout* verticalLayout_2;
    QGroupBox* groupBox;
    QGridLayout* gridLayout_2;
    QLabel* label_5;
    QSpinBox* spinBox_freq;
    QLabel* label_8;
    QLabel* label_7;
    QSpinBox* spinBox_bandwidth;
    QLabel* label_9;
    QGroupBox* groupBox_2;
    QGridLayout* gridLayout_12;
    QLabel* label_10;
    QSpinBox* spinBox_tx_rate;
    QLabel* label_12;
    QLabel* label_14;
    QSpinBox* spinBox_tx_gain;
    QLabel* label_13;
    QGroupBox* groupBox_3;
    QGridLayout* gridLayout_11;
    QLabel* label_11;
    QSpinBox* spinBox_rx_rate;
    QLabel* label_16;
    QLabel* label_15;
    QSpinBox* spinBox_rx_gain;
    QLabel* label_17;
    QHBoxLayout* horizontalLayout;
    QPushButton* Data_Proc;
    QLabel* data_proc_done;
    QLineEdit* Channel_Sel;
    QPushButton* Data_Div;
    QLabel* div_ok;

    QWidget* tab;

    QWidget* tab_2;
    QGridLayout* gridLayout_14;
    QGridLayout* gridLayout_13;
    QLabel* label_19;
    QLineEdit* lineEdit_Pt;
    QLabel* label_26;
    QLineEdit* lineEdit_Nint;
    QLabel* label_20;
    QLineEdit* lineEdit_G;
    QLabel* label_25;
    QLineEdit* lineEdit_pw;
    QLabel* label_21;
    QLineEdit* lineEdit_f;
    QLabel* label_28;
    QLineEdit* lineEdit_NF;
    QLabel* label_22;
    QLineEdit* lineEdit_RCS;
    QLabel* label_27;
    QLineEdit* lineEdit_SNR;
    QLabel* label_24;
    QLineEdit* lineEdit_Bf;
    QLabel* label_30;
    QLineEdit* lineEdit_Ls;
    QLabel* label_23;
    QLineEdit* lineEdit_Bs;
    QLabel* label_29;
    QLineEdit* lineEdit_La;
    QLabel* label_Rresult;
    QPushButton* pushButton_Rcal;

    QWidget* tab_log;
    QVBoxLayout* verticalLayout_8;
    QTextBrowser* logTextBrowser;

    QComboBox* deviceSel;
    QPushButton* sendButton;
    QPushButton* receiveButton;
    QPushButton* saveButton;
    QPushButton* playbackButton;
    QPushButton* send_PC_reset;
    QPushButton* dataclearButton;
    QPushButton* trashEmptyButton;
    QPushButton* UDP_Mode_Button;
    QHBoxLayout* horizontalLayout_2;
    QLabel* label_18;
    QLabel* PCIe_temp;
    QHBoxLayout* horizontalLayout_3;
    QLabel* label_31;
    QProgressBar* diskProgressBar;

    QGridLayout* gridLayout;
    QLabel* label;
    QLabel* PCIe_status;
    QLabel* label_3;
    QLabel* auroraA_led;
    QLabel* label_4;
    QLabel* auroraB_led;
    QLabel* label_2;
    QLabel* Tx_status;
    QLabel* label_6;
    QLabel* Rx_status;

    QMenuBar* menubar;
    QMenu* menu;
    QMenu* menu_2;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};

namespace Ui {
class MainWindow : public Ui_MainWindow {};
}  // namespace Ui
