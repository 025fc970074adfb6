#pragma once

#include <QDialog>

#include <functional>

namespace lesaro {

class ButtonBar;
class FlatButton;

// The frame of every dialog: grey background, a tool-window border of fixed size, the window's own
// controls in contentArea() and the button bar below them. A window adds its layout to contentArea() and
// its buttons with addBarButton().
//
// Every way of closing (close box, Esc, a button that accepts or rejects) ends in done(), which first asks
// FormCloseQuery; a window that must keep the user (unsaved entry, open row) overrides it. FormShow runs
// each time the window is shown, where a window sets up its filters and proposals afresh.
class LesaroDialog : public QDialog {
    Q_OBJECT
public:
    explicit LesaroDialog(QWidget* parent = nullptr);

    QWidget* contentArea() const { return m_content; }
    ButtonBar* buttonBar() const { return m_bar; }
    FlatButton* addBarButton(const QString& objectName, const QString& caption, const QColor& face = Qt::white);

    // Fixes the window at its design size; without it the window takes the size its layout asks for.
    void setClientSize(int width, int height);

    // False keeps the window open. Called once per attempt to close, before the window hides.
    virtual bool FormCloseQuery();
    // Called each time the window is shown by the program (not when the desktop merely restores it).
    virtual void FormShow();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

    // Runs a handler's work and shows an engine failure as an error box over this window (see ErrorPath.h);
    // true when the work ran to its end.
    bool run(const std::function<void()>& work);

private:
    QWidget* m_content;
    ButtonBar* m_bar;
};

} // namespace lesaro
