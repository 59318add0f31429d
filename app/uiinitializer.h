#pragma once
// Start-up of the window's widgets, buffers, lamps and disk gauge.

class MainWindow;

class UIInitializer {
public:
    explicit UIInitializer(MainWindow* window) : window(window) {}

    void initializeUI();
    void initializeTabWidgets();
    void initializeBuffers();
    void initializeTxBuffers();
    void initializeUSRPBuffers();
    void initializeLEDs();
    void setInitialLEDStates();
    void setupTemperatureDisplay();
    void initializeLogPrinter();
    void centerWindowOnScreen();
    void initializeDiskProgressBar();
    void updateDiskProgressBar();
    void initializeUDP() {}

private:
    MainWindow* window;
};
