#include "ui/LesaroDialog.h"

#include "ui/ButtonBar.h"
#include "ui/ErrorPath.h"
#include "ui/WindowStyle.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace lesaro {

LesaroDialog::LesaroDialog(QWidget* parent)
    : QDialog(parent)
    , m_content(new QWidget(this))
    , m_bar(new ButtonBar(this)) {
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QPalette p = palette();
    p.setColor(QPalette::Window, WindowStyle::dialogBackground());
    setPalette(p);
    setAutoFillBackground(true);

    m_content->setObjectName(QStringLiteral("ContentArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_content, 1);
    layout->addWidget(m_bar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

FlatButton* LesaroDialog::addBarButton(const QString& objectName, const QString& caption, const QColor& face) {
    return m_bar->addButton(objectName, caption, face);
}

void LesaroDialog::setClientSize(int width, int height) {
    layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    setFixedSize(width, height);
}

bool LesaroDialog::FormCloseQuery() {
    return true;
}

void LesaroDialog::FormShow() {}

// QDialog routes the close box (closeEvent) and Esc (reject) here too, and keeps the window open when it is
// still visible afterwards, so this one check covers every path.
void LesaroDialog::done(int result) {
    if (!FormCloseQuery())
        return;
    QDialog::done(result);
}

void LesaroDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool LesaroDialog::run(const std::function<void()>& work) {
    return runOrShowError(this, work);
}

} // namespace lesaro
