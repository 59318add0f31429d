#pragma once
// The one top-level window of varnex: owns the widget tree, the helpers that
// work behind its controls and the acquisition runtime in its own thread.
// It keeps the toggles, the device list, the channel selectors and the
// hand-over of received data; everything else is delegated to the helpers.

#include "rd_result.h"
#include "rf_config.h"
#include "spectrogram_view.h"

#include <QMainWindow>
#include <QVector>

#include <complex>
#include <vector>

class PlotManager;
class QCloseEvent;
class QCustomPlot;
class QThread;
class Runtime;
class SignalProcessor;
class UIInitializer;
class Ui_MainWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void launchUI();
    void launchThread();
    void launchTimer();

    // Forwarders to the set-up helper.
    void initializeBuffers();
    void initializeTabWidgets();
    void initializeLEDs();
    void centerOnScreen();
    void initDiskProgressBar();
    void updateWaveform();

    // Forwarders to the plot manager.
    void launchPlot();
    void updataRDPlot(RDResult& result);
    void updateRxPlot();
    void updateTxPlot();
    void launchTxPlot();
    void launchRxPlot();
    void launchRDPlot();

    Ui_MainWindow* ui = nullptr;
    UIInitializer* ui_initializer = nullptr;
    SignalProcessor* signal_processor = nullptr;
    PlotManager* plot_manager = nullptr;

    QThread* runtime_thread = nullptr;
    Runtime* runtime = nullptr;

    std::vector<std::complex<float>> rx_signal;
    QVector<float> real_signal;
    QVector<unsigned int> capture_words;
    QVector<QVector<double>> channel_real;
    QVector<QVector<std::complex<float>>> channel_iq;
    std::vector<std::complex<float>> tx_buff;
    std::vector<std::complex<float>> tx_ref;
    QVector<RFConfig> rf_list;
    RDResult rd_result;

    // Live views, built by the plot manager inside the placeholder widgets.
    QCustomPlot* txPlot = nullptr;
    SpectrogramView txSpec;
    QCustomPlot* rxPlot = nullptr;
    SpectrogramView rxSpec;
    QVector<double> rxTimeAxis;
    SpectrogramView rdViews[4];  // range-Doppler map, raw echo, compressed echo, test pattern
    bool receiving = false;

public slots:
    void on_sendButton_clicked();
    void on_receiveButton_clicked();
    void deviceDetected(const QString& device_name);
    void getRxData(const std::vector<std::complex<float>>& data, const std::vector<std::complex<float>>& rx_signal,
                   const QVector<float>& real_signal, RDResult result);
    void on_comboBox_Txch_currentIndexChanged(int index);
    void on_comboBox_Rxch_currentIndexChanged(int index);
    void on_spinBox_freq_valueChanged(int arg1);
    void on_deviceSel_currentTextChanged(const QString& arg1);
    void on_action_Varnex_triggered();
    void on_pushButton_Rcal_clicked();
    void get_status();
    void updatePlot();

protected:
    void closeEvent(QCloseEvent* event) override;
};
