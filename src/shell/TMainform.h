#pragma once

#include "LibraryData.h"

#include <QMainWindow>
#include <functional>

namespace lesaro {

// The main window. It owns the library's tables for the whole run and runs the start-up steps when it is
// first shown and the saving steps when it is closed.
class TMainform : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainform(QWidget* parent = nullptr);
    ~TMainform() override;

    LibraryData& data() { return m_data; }

    // Where the data lives; tests point these at temporary folders before the window is shown.
    void FormCreate(const QString& baseFolder = LibraryData::defaultBaseFolder(), const QString& programFolder = {});

    // "Programm" > "Beenden": ends the run without the closing steps; only the tables' close rule writes.
    void Beenden1Click();

    // Shows a message to the user; replaced by tests.
    std::function<void(const QString&)> showMessage;

    bool startupDone() const { return m_startupDone; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void restoreWindowSize();
    void storeWindowSize();

    LibraryData m_data;
    bool m_created = false;
    bool m_shown = false;
    bool m_startupDone = false;
    bool m_closing = false;
};

} // namespace lesaro
