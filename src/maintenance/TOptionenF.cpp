#include "maintenance/TOptionenF.h"

#include "library/LoanPeriod.h"
#include "maintenance/rules/PeriodInput.h"
#include "settings/INI.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace lesaro {

namespace {

// The eleven caption edits as they stand in the group, two to a row: object name, label, setting.
struct CaptionDesign {
    const char* name;
    const char* label;
    const char* setting;
};
constexpr CaptionDesign kCaptionDesign[] = {
    {"EVerfasser", "Verfasser", "Verfasser"},
    {"ETitel", "Titel", "Titel"},
    {"EVerlag", "Verlag", "Verlag"},
    {"EErscheinungsort", "Erscheinungsort", "Erscheinungsort"},
    {"EAuflage", "Auflage", "Auflage"},
    {"EErscheinungsjahr", "Erscheinungsjahr", "Erscheinungsjahr"},
    {"EISBN", "ISBN", "ISBN"},
    {"ESignatur", "Signatur", "Signatur"},
    {"EStandort", "Standort", "Standort"},
    {"ESachgruppe", "Sachgruppe", "Sachgruppe"},
    {"EBemerkungen", "Bemerkungen", "Bemerkungen"},
};

// The order in which "OK" writes the captions.
constexpr const char* kWriteOrder[] = {"Verfasser",       "Titel", "Verlag",   "Erscheinungsort", "Auflage",
                                       "Sachgruppe",      "ISBN",  "Signatur", "Standort",        "Bemerkungen",
                                       "Erscheinungsjahr"};

} // namespace

TOptionenF::TOptionenF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("OptionenF"));
    setWindowTitle(QStringLiteral("Optionen"));

    auto* captions = new QGroupBox(QStringLiteral("Feldnamen ändern"), contentArea());
    captions->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(captions);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(1);
    QHash<QString, QLineEdit*> edits;
    for (int i = 0; i < int(std::size(kCaptionDesign)); ++i) {
        const CaptionDesign& d = kCaptionDesign[i];
        auto* label = new QLabel(QString::fromLatin1(d.label), captions);
        auto* edit = new QLineEdit(captions);
        edit->setObjectName(QString::fromLatin1(d.name));
        label->setBuddy(edit);
        const int row = (i / 2) * 2;
        const int column = i % 2;
        grid->addWidget(label, row, column);
        grid->addWidget(edit, row + 1, column);
        grid->setRowMinimumHeight(row + 1, 26);
        edits.insert(QString::fromLatin1(d.setting), edit);
    }
    for (const char* setting : kWriteOrder)
        m_captionEdits << CaptionEdit{setting, edits.value(QString::fromLatin1(setting))};

    auto* period = new QGroupBox(QStringLiteral("Standardleihdauer"), contentArea());
    period->setObjectName(QStringLiteral("GroupBox2"));
    auto* row = new QHBoxLayout(period);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(6);
    auto* days = new QLabel(QStringLiteral("Tage"), period);
    m_ETage = new QLineEdit(period);
    m_ETage->setObjectName(QStringLiteral("ETage"));
    m_ETage->setFixedWidth(60);
    days->setBuddy(m_ETage);
    // The arrows of the up-down control, stacked beside the edit.
    auto* upDown = new QWidget(period);
    upDown->setObjectName(QStringLiteral("UpDown1"));
    auto* arrows = new QVBoxLayout(upDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (bool up : {true, false}) {
        auto* arrow = new QToolButton(upDown);
        arrow->setObjectName(up ? QStringLiteral("UpDown1Auf") : QStringLiteral("UpDown1Ab"));
        arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFixedSize(16, 11);
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        connect(arrow, &QToolButton::clicked, this, [this, up] { UpDown1Click(up); });
        arrows->addWidget(arrow);
    }
    row->addWidget(days);
    row->addWidget(m_ETage);
    row->addWidget(upDown);
    row->addStretch(1);

    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(captions);
    layout->addWidget(period);
    layout->addStretch(1);

    connect(addBarButton(QStringLiteral("BNeu"), QStringLiteral("OK")), &QPushButton::clicked, this,
            &TOptionenF::Button1Click);
    connect(addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Abbrechen")), &QPushButton::clicked, this,
            &TOptionenF::Button2Click);
    setClientSize(326, 381);
}

void TOptionenF::FormShow() {
    for (const CaptionEdit& c : std::as_const(m_captionEdits))
        c.edit->setText(INI::ReadSettingString(QString::fromLatin1(c.setting)));
    m_ETage->setText(QString::number(LoanPeriod::days()));
}

void TOptionenF::Button1Click() {
    for (const CaptionEdit& c : std::as_const(m_captionEdits))
        INI::WriteSettingString(QString::fromLatin1(c.setting), c.edit->text());
    // The captions stay stored; the period is not, nothing is applied, and the window stays open.
    const auto days = PeriodInput::fromText(m_ETage->text());
    if (!days) {
        MessageService::error(this, PeriodInput::notAnIntegerMessage(m_ETage->text()));
        return;
    }
    // A negative period would make every new loan due before the day it was lent.
    if (*days < 0) {
        MessageService::error(this, PeriodInput::negativePeriodMessage(*days));
        return;
    }
    INI::WriteSettingInteger(QStringLiteral("Tage"), *days);
    Q_EMIT captionsApplied();
    accept();
}

void TOptionenF::Button2Click() {
    reject();
}

void TOptionenF::UpDown1Click(bool up) {
    m_ETage->setText(PeriodInput::stepped(m_ETage->text(), up));
}

} // namespace lesaro
