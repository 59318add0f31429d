#include "automation.h"
#include "build_info.h"
#include "mainwindow.h"
#include "sample_types.h"
#include "screen_placement.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMetaType>
#include <QPixmap>
#include <QSplashScreen>

#include <complex>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace {

// Returns false (and fills error) when an option value is malformed.
bool parseOptions(const QCommandLineParser& parser, AutomationOptions& options, QString& error)
{
    if (parser.isSet(QStringLiteral("quit-after"))) {
        bool ok = false;
        options.quitAfterMs = parser.value(QStringLiteral("quit-after")).toInt(&ok);
        if (!ok || options.quitAfterMs < 0) {
            error = QStringLiteral("--quit-after needs a whole number of milliseconds, not \"%1\"")
                        .arg(parser.value(QStringLiteral("quit-after")));
            return false;
        }
    }
    options.screenshotDir = parser.value(QStringLiteral("screenshots"));
    options.startStreaming = parser.isSet(QStringLiteral("start-streaming"));
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    setenv("XDG_RUNTIME_DIR", "/tmp/runtime-root", 1);
    setenv("QT_QPA_PLATFORMTHEME", "none", 1);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varnex"));
    QApplication::setApplicationVersion(QLatin1String(BuildInfo::version));
    qRegisterMetaType<QVector<std::complex<float>>>("QVector<std::complex<float>>");
    qRegisterMetaType<std::vector<std::complex<float>>>("std::vector<std::complex<float>>");

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ZELT radar signal-processing workbench"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("quit-after"), QStringLiteral("Close the window after <ms> milliseconds."),
                      QStringLiteral("ms")});
    parser.addOption({QStringLiteral("screenshots"),
                      QStringLiteral("Save a PNG of every page into <dir> before quitting."), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("start-streaming"),
                      QStringLiteral("Press the send and receive buttons once the window is up.")});
    parser.process(app);
    AutomationOptions options;
    QString error;
    if (!parseOptions(parser, options, error)) {
        std::cerr << error.toStdString() << std::endl;
        return 2;
    }

    QPixmap logo(QStringLiteral(":/assets/zelt.svg"));
    auto* splash = new QSplashScreen(logo);
    splash->move(centeredOnScreenUnderCursor(splash->size()));
    splash->show();
    app.processEvents();

    MainWindow window;
    splash->finish(&window);
    delete splash;
    window.show();

    Automation automation(&window, options);
    return app.exec();
}
