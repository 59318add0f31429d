#pragma once
// Command-line driven runs of the window for scripts and headless machines:
// start streaming on the loopback device, save a picture of every page, and
// close the window through its normal close path after a while.

#include <QObject>
#include <QString>

class MainWindow;

struct AutomationOptions {
    int quitAfterMs = -1;       // negative: run until the operator closes the window
    QString screenshotDir;      // empty: no screenshots
    bool startStreaming = false;
};

// The file names the pages are saved under, in the order they are taken.
QStringList screenshotPageNames(MainWindow* window);

class Automation : public QObject {
    Q_OBJECT
public:
    Automation(MainWindow* window, const AutomationOptions& options, QObject* parent = nullptr);

    // Saves one PNG per page of the main tab widget (and per sub-page of the
    // wave and detection pages) into dir; returns the number written.
    static int saveScreenshots(MainWindow* window, const QString& dir);

private:
    void finish();

    MainWindow* window;
    AutomationOptions options;
};
