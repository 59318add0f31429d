#include "range_calculator_form.h"

#include "radar_range.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <array>

void runRangeCalculatorForm(QWidget* window, Ui_MainWindow& ui)
{
    const std::array<QLineEdit*, 12> edits = {ui.lineEdit_Pt,  ui.lineEdit_G,    ui.lineEdit_f,   ui.lineEdit_RCS,
                                              ui.lineEdit_Bf,  ui.lineEdit_Bs,   ui.lineEdit_Nint, ui.lineEdit_pw,
                                              ui.lineEdit_NF,  ui.lineEdit_SNR,  ui.lineEdit_Ls,  ui.lineEdit_La};
    const auto& fields = radarRangeFields();

    // Every field is checked, so each faulty one shows its own warning in turn.
    bool valid = true;
    std::array<double, 12> values{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const RadarFieldCheck check =
            checkRadarRangeField(edits[i]->text(), fields[i].name, fields[i].min, fields[i].max);
        if (!check.ok) {
            QMessageBox::warning(window, radarRangeErrorTitle(), check.message, QMessageBox::Ok);
            valid = false;
        }
        values[i] = check.value;
    }
    if (!valid)
        return;
    const double km = calculateRadarRange(values[0], values[1], values[2], values[3], values[4], values[5],
                                          values[6], values[7], values[8], values[9], values[10], values[11]);
    ui.label_Rresult->setText(formatRadarRangeResult(km));
}
