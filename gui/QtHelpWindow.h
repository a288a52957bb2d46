// The help: our HTML pages in a browser window of its own, beside the program.
#pragma once

#include <QWidget>

class QTextBrowser;

class HelpWindow final : public QWidget {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page at path as the start of a fresh history, so "Contents" comes back to it.
    void Open(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTextBrowser* browser_;
    bool placed_ = false;
};
