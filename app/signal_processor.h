#pragma once
// Send and receive sequences behind the window's buttons: generates the
// transmit waveform when the buffer is silent, hands it to the runtime, and
// unpacks a capture buffer into per-channel arrays.

#include <QVector>

#include <complex>
#include <vector>

class MainWindow;

class SignalProcessor {
public:
    explicit SignalProcessor(MainWindow* window) : window(window) {}

    void generateTransmitSignal();
    void generateLFMSignal();
    void generateSineWave();
    void startTransmission();
    void stopTransmission();
    void startReception();
    void stopReception();
    void processRxData(const std::vector<std::complex<float>>& data,
                       const std::vector<std::complex<float>>& rx_signal, const QVector<float>& real_signal);
    void updateWaveform();

private:
    MainWindow* window;
};
