// A report of tab-separated columns in a box of its own: a fixed-width font with a tab stop
// every eight characters, the layout the report's text is made for, so its columns line up.
// What is copied from it (Ctrl+C, also with nothing selected) is the report's own text.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>

#include <string>

class ReportText final : public QPlainTextEdit {
public:
    ReportText(const std::string& text, QWidget* parent);

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString text_;
};

class ReportBox final : public QDialog {
public:
    ReportBox(const std::string& text, const std::string& title, QWidget* parent);
};
