#pragma once
// About box: logo, name and the build-time values.

#include <QDialog>

class QLabel;
class QPushButton;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

private:
    QLabel* logoLabel;
    QLabel* titleLabel;
    QLabel* infoLabel;
    QPushButton* okButton;
};
