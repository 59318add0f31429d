#include "modal_dismisser.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalDismisser::ModalDismisser()
{
    connect(&timer, &QTimer::timeout, this, &ModalDismisser::poll);
    timer.start(10);
}

void ModalDismisser::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    titles << modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        texts << box->text();
    else
        texts << QString();
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}
