#include "TMainform.h"

#include "EngineError.h"
#include "FieldCaptions.h"
#include "INI.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>

namespace lesaro {

TMainform::TMainform(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Mainform"));
    setWindowTitle(QStringLiteral("Tomarelle 2022 by Orvendel Software"));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(233, 233, 233));
    setPalette(p);
    showMessage = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::NoButton, this);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    };
}

TMainform::~TMainform() = default;

void TMainform::FormCreate(const QString& baseFolder, const QString& programFolder) {
    m_data.FormCreate(baseFolder, programFolder);
    m_created = true;
}

void TMainform::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (!m_created)
        FormCreate();
    FormShow();
}

void TMainform::restoreWindowSize() {
    if (INI::ReadSettingString(QStringLiteral("WindowState")) == QLatin1String("wsMaximized")) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    int height = INI::ReadSettingInteger(QStringLiteral("Height"));
    int width = INI::ReadSettingInteger(QStringLiteral("Width"));
    if (height < 200)
        height = 500;
    if (width < 200)
        width = 700;
    resize(width, height);
}

void TMainform::FormShow() {
    restoreWindowSize();
    try {
        m_data.loadAtStart();
        FieldCaptions::ApplyFieldCaptions();
        m_data.applySortOrders();
        m_startupDone = true;
    } catch (const EngineError& e) {
        QString text = e.message();
        if (!m_data.startupProblem().isEmpty())
            text += QStringLiteral("\n\n") + m_data.startupProblem();
        showMessage(text);
    }
    const QString notice = SettingsStore::instance().takeNotice();
    if (!notice.isEmpty())
        showMessage(notice);
}

void TMainform::storeWindowSize() {
    if (isMinimized())
        return;
    if (isMaximized()) {
        INI::WriteSettingString(QStringLiteral("WindowState"), QStringLiteral("wsMaximized"));
        return;
    }
    INI::WriteSettingString(QStringLiteral("WindowState"), QStringLiteral("wsNormal"));
    // The size restored at the next start is the size given to resize(), which excludes the window
    // manager's frame; storing the same measure keeps the window from growing by its frame at every start.
    INI::WriteSettingInteger(QStringLiteral("Height"), height());
    INI::WriteSettingInteger(QStringLiteral("Width"), width());
}

void TMainform::FormClose() {
    try {
        m_data.saveTables();
    } catch (const EngineError& e) {
        showMessage(e.message());
    }
    if (m_startupDone)
        m_data.storeSortOrders();
    storeWindowSize();
    INI::FlushSettings();
}

void TMainform::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    event->accept();
}

void TMainform::Beenden1Click() {
    m_closing = true; // no closing steps: only the tables' close rule writes at the end of the run
    close();
}

} // namespace lesaro
