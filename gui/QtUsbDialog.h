// What the two adapter dialogs share: a modal dialog whose controls sit where their twips
// positions say, each bound to its model and, where it has one, to its core handler.
#pragma once

#include "forms/Controls.h"
#include "gui/FormView.h"

#include <QDialog>

#include <functional>
#include <string_view>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class QtUsbDialog : public QDialog, public FormView {
    Q_OBJECT
public:
    using QueryUnload = void (*)(int16_t&, int16_t);

    explicit QtUsbDialog(QueryUnload queryUnload);
    void SyncFromModel() override;
    // A length of the forms' twips layout on the screen.
    int Pixels(int twips) const;

protected:
    template <class T> using Get = std::function<T&()>;
    struct Place {
        int left;
        int top;
        int width;
        int height;
    };

    QGroupBox* AddFrame(QWidget* parent, const QString& name, Get<Frame> model, Place at);
    QLabel* AddLabel(QWidget* parent, const QString& name, Get<Label> model, Place at);
    QPushButton* AddButton(QWidget* parent, const QString& name, Get<Button> model, void (*click)(),
                           Place at);
    // accepts, when given, refuses edits that do not fit.
    QLineEdit* AddTextBox(QWidget* parent, const QString& name, Get<TextBox> model, Place at,
                          bool (*accepts)(std::string_view) = nullptr);
    QRadioButton* AddOption(QWidget* parent, const QString& name,
                            Get<std::array<OptionButton, 5>> group, int index,
                            void (*click)(int16_t), Place at);
    QCheckBox* AddCheckBox(QWidget* parent, const QString& name, Get<CheckBox> model, Place at);
    // The dialog's size in twips.
    void SetDialogSize(int width, int height);
    // Spreads the layout so that every caption fits its place; called once the captions are
    // in, at the end of a dialog's constructor.
    void FitToCaptions();

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // True when the handler kept the window (it hides it itself when it should go).
    bool AskToClose();

    void SetPlace(QWidget* widget, int left, int top, int width, int height);

    QueryUnload queryUnload_;
    std::vector<std::function<void()>> syncs_;
    std::vector<std::pair<QWidget*, Place>> places_;
    struct {
        int width = 0, height = 0;
    } size_;
    double spread_ = 1.0;
};
