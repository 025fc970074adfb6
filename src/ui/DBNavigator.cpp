#include "ui/DBNavigator.h"

#include "core/Table.h"
#include "ui/DataSource.h"
#include "ui/ErrorPath.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace lesaro {

namespace {
QToolButton* makeButton(QWidget* parent, const char* name, Qt::ArrowType arrow, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setArrowType(arrow);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}
} // namespace

DBNavigator::DBNavigator(QWidget* parent)
    : QWidget(parent)
    , m_prior(makeButton(this, "nbPrior", Qt::LeftArrow, QStringLiteral("Vorheriger Datensatz")))
    , m_next(makeButton(this, "nbNext", Qt::RightArrow, QStringLiteral("Nächster Datensatz"))) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_prior);
    layout->addWidget(m_next);
    connect(m_prior, &QToolButton::clicked, this, [this] { BtnClick(Button::Prior); });
    connect(m_next, &QToolButton::clicked, this, [this] { BtnClick(Button::Next); });
    updateButtons();
}

void DBNavigator::bind(DataSource* source) {
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (m_source) {
        for (auto signal : {&DataSource::viewReset, &DataSource::currentRowChanged, &DataSource::rowsChanged,
                            &DataSource::stateChanged})
            m_connections.append(connect(m_source, signal, this, &DBNavigator::updateButtons));
    }
    updateButtons();
}

QToolButton* DBNavigator::button(Button which) const {
    return which == Button::Prior ? m_prior : m_next;
}

void DBNavigator::BtnClick(Button which) {
    if (!m_source || !m_source->UpdateRecord())
        return;
    const bool moved = runOrShowError(this, [&] {
        if (which == Button::Prior)
            m_source->table().Prior();
        else
            m_source->table().Next();
    });
    if (!moved)
        return;
    Q_EMIT clicked(which);
}

void DBNavigator::updateButtons() {
    bool prior = false;
    bool next = false;
    if (m_source && m_source->table().Active()) {
        const Table& t = m_source->table();
        const int count = t.viewCount();
        if (t.State() == TableState::Insert) {
            // Moving away finishes the new row; either way leads somewhere once there are rows.
            prior = next = count > 0;
        } else {
            prior = t.RecNo() > 0;
            next = t.RecNo() >= 0 && t.RecNo() < count - 1;
        }
    }
    m_prior->setEnabled(prior);
    m_next->setEnabled(next);
}

} // namespace lesaro
