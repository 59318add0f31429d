#include "automation.h"

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <iostream>

namespace {

// Long enough for the 20 ms plot refresh to draw a page that just became visible.
constexpr int kSettleMs = 300;
// Screenshots without an explicit quit time are taken after this long.
constexpr int kDefaultScreenshotDelayMs = 3000;

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Page {
    int mainIndex;
    QTabWidget* sub;  // null when the page has no sub-pages
    int subIndex;
    QString name;
};

QList<Page> pages(MainWindow* window)
{
    Ui_MainWindow* ui = window->ui;
    QList<Page> result;
    int shot = 1;
    for (int i = 0; i < ui->tabWidget_main->count(); ++i) {
        const QString pageName = ui->tabWidget_main->widget(i)->objectName();
        QTabWidget* sub = nullptr;
        if (i == ui->tabWidget_main->indexOf(ui->tab_tx))
            sub = ui->tabWidget_tx;
        else if (i == ui->tabWidget_main->indexOf(ui->tab_rx))
            sub = ui->tabWidget_rx;
        else if (i == ui->tabWidget_main->indexOf(ui->tab_detect))
            sub = ui->tabWidget_detect;
        if (!sub) {
            result.append({i, nullptr, 0, QStringLiteral("%1_%2.png").arg(shot++, 2, 10, QChar('0')).arg(pageName)});
            continue;
        }
        for (int j = 0; j < sub->count(); ++j)
            result.append({i, sub, j,
                           QStringLiteral("%1_%2_%3.png")
                               .arg(shot++, 2, 10, QChar('0'))
                               .arg(pageName, sub->widget(j)->objectName())});
    }
    return result;
}

}  // namespace

QStringList screenshotPageNames(MainWindow* window)
{
    QStringList names;
    for (const Page& page : pages(window))
        names << page.name;
    return names;
}

Automation::Automation(MainWindow* window, const AutomationOptions& options, QObject* parent)
    : QObject(parent), window(window), options(options)
{
    if (options.startStreaming) {
        QTimer::singleShot(0, window, [window] {
            window->ui->sendButton->click();
            window->ui->receiveButton->click();
        });
    }
    int finishAfter = options.quitAfterMs;
    if (finishAfter < 0 && !options.screenshotDir.isEmpty())
        finishAfter = kDefaultScreenshotDelayMs;
    if (finishAfter >= 0)
        QTimer::singleShot(finishAfter, this, &Automation::finish);
}

int Automation::saveScreenshots(MainWindow* window, const QString& dir)
{
    if (!QDir().mkpath(dir)) {
        std::cerr << "Cannot create screenshot folder " << dir.toStdString() << std::endl;
        return 0;
    }
    Ui_MainWindow* ui = window->ui;
    const int mainBefore = ui->tabWidget_main->currentIndex();
    int written = 0;
    for (const Page& page : pages(window)) {
        ui->tabWidget_main->setCurrentIndex(page.mainIndex);
        if (page.sub)
            page.sub->setCurrentIndex(page.subIndex);
        settle(kSettleMs);
        const QString path = QDir(dir).filePath(page.name);
        if (window->grab().save(path, "PNG"))
            ++written;
        else
            std::cerr << "Cannot save screenshot " << path.toStdString() << std::endl;
    }
    for (QTabWidget* sub : {ui->tabWidget_tx, ui->tabWidget_rx, ui->tabWidget_detect})
        sub->setCurrentIndex(0);
    ui->tabWidget_main->setCurrentIndex(mainBefore);
    return written;
}

void Automation::finish()
{
    if (!options.screenshotDir.isEmpty()) {
        const int written = saveScreenshots(window, options.screenshotDir);
        std::cout << "Saved " << written << " screenshots to " << options.screenshotDir.toStdString() << std::endl;
    }
    window->close();
}
