#include "ui/ButtonBar.h"

#include "ui/DesktopOpener.h"
#include "ui/FlatButton.h"
#include "ui/WindowStyle.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace lesaro {

ButtonBar::ButtonBar(QWidget* parent)
    : GradientPanel(WindowStyle::dialogBackground(), WindowStyle::navy(), parent)
    , m_layout(new QHBoxLayout(this))
    , m_help(new QToolButton(this)) {
    setObjectName(QStringLiteral("ButtonBar"));
    setFixedHeight(WindowStyle::kButtonBarHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_layout->setContentsMargins(8, 0, 8, 0);
    m_layout->setSpacing(8);
    m_layout->addStretch(1);

    m_help->setObjectName(QStringLiteral("BHilfe"));
    m_help->setText(QStringLiteral("?"));
    m_help->setToolTip(QStringLiteral("Hile aufrufen"));
    m_help->setFocusPolicy(Qt::TabFocus);
    m_help->setFixedSize(25, 25);
    m_help->setStyleSheet(QStringLiteral("QToolButton { background-color: white; color: #000080; font-weight: bold;"
                                         " border: 1px solid #000080; border-radius: 12px; }"
                                         "QToolButton:hover { background-color: #e9e9e9; }"));
    m_layout->addWidget(m_help);
    connect(m_help, &QToolButton::clicked, this, [this] { DesktopOpener::openManual(window()); });
}

FlatButton* ButtonBar::addButton(const QString& objectName, const QString& caption, const QColor& face) {
    auto* b = new FlatButton(caption, face, this);
    b->setObjectName(objectName);
    // Buttons line up from the left, before the stretch that keeps the help button at the right end.
    m_layout->insertWidget(m_layout->count() - 2, b);
    return b;
}

} // namespace lesaro
