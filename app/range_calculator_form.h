#pragma once
// The "工具" page: reads the twelve radar-equation fields, shows one warning
// per faulty field in order, and writes the maximum detection range.

class QWidget;
class Ui_MainWindow;

void runRangeCalculatorForm(QWidget* window, Ui_MainWindow& ui);
