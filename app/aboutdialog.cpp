#include "aboutdialog.h"

#include "build_info.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 ZELT"));

    logoLabel = new QLabel(this);
    const QPixmap logo(QStringLiteral(":/assets/zelt.svg"));
    if (logo.isNull())
        logoLabel->setText(QStringLiteral("🛡️"));
    else
        logoLabel->setPixmap(logo.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    titleLabel = new QLabel(QStringLiteral("ZELT"), this);
    titleLabel->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 20px;"));
    titleLabel->setAlignment(Qt::AlignCenter);

    infoLabel = new QLabel(QStringLiteral("Version: %1\nBranch: %2\nCommit: %3\nBuild Time: %4 %5\n"
                                          "Build Qt Version: %6   Build UHD Version: %7")
                               .arg(QLatin1String(BuildInfo::version), QLatin1String(BuildInfo::branch),
                                    QLatin1String(BuildInfo::commit), QLatin1String(BuildInfo::date),
                                    QLatin1String(BuildInfo::time), QLatin1String(QT_VERSION_STR),
                                    QLatin1String(BuildInfo::uhdVersion)),
                           this);
    infoLabel->setAlignment(Qt::AlignCenter);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    auto* logoRow = new QHBoxLayout();
    logoRow->addStretch();
    logoRow->addWidget(logoLabel);
    logoRow->addStretch();
    layout->addLayout(logoRow);
    layout->addWidget(titleLabel);
    layout->addWidget(infoLabel);
    layout->addStretch();
    layout->addWidget(okButton, 0, Qt::AlignCenter);
}
