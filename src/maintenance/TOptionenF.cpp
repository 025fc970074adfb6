#include "maintenance/TOptionenF.h"

#include "library/LoanPeriod.h"
#include "maintenance/rules/PeriodInput.h"
#include "settings/INI.h"
#include "settings/TitleServices.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
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

    // The captions and the period on the first page, as they always were; the catalogue service on its own.
    m_pages = new QTabWidget(contentArea());
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setDocumentMode(true);
    auto* general = new QWidget(m_pages);
    general->setObjectName(QStringLiteral("TabAllgemein"));
    general->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(general);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(captions);
    layout->addWidget(period);
    layout->addStretch(1);
    m_pages->addTab(general, QStringLiteral("Allgemein"));
    m_pages->addTab(buildTitleDataPage(), QStringLiteral("Titeldaten"));
    auto* outer = new QVBoxLayout(contentArea());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_pages);

    connect(addBarButton(QStringLiteral("BNeu"), QStringLiteral("OK")), &QPushButton::clicked, this,
            &TOptionenF::Button1Click);
    connect(addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Abbrechen")), &QPushButton::clicked, this,
            &TOptionenF::Button2Click);
    setClientSize(326, 381);
}

QWidget* TOptionenF::buildTitleDataPage() {
    auto* page = new QWidget(m_pages);
    page->setObjectName(QStringLiteral("TabTiteldaten"));
    page->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);
    auto* intro = new QLabel(QStringLiteral("„Titeldaten holen“ im Fenster „Bücher eingeben“ fragt diesen "
                                            "Bibliothekskatalog (SRU, MARC 21) nach der ISBN. Nur die ISBN wird "
                                            "übertragen, und nur auf Knopfdruck."),
                             page);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto addService = [&](const QString& title, const char* addressName, const char* indexName) {
        auto* heading = new QLabel(title, page);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        layout->addWidget(heading);
        auto* form = new QFormLayout;
        form->setContentsMargins(0, 0, 0, 0);
        form->setVerticalSpacing(3);
        auto* address = new QLineEdit(page);
        address->setObjectName(QString::fromLatin1(addressName));
        auto* index = new QLineEdit(page);
        index->setObjectName(QString::fromLatin1(indexName));
        form->addRow(QStringLiteral("Adresse"), address);
        form->addRow(QStringLiteral("Suchindex"), index);
        layout->addLayout(form);
        return std::pair{address, index};
    };
    std::tie(m_address, m_index) = addService(QStringLiteral("Dienst"), "ETiteldatenAdresse", "ETiteldatenIndex");
    auto* preset = new QPushButton(QStringLiteral("Voreinstellung"), page);
    preset->setObjectName(QStringLiteral("BTiteldatenStandard"));
    preset->setToolTip(QStringLiteral("Deutsche Nationalbibliothek: %1, Index „%2“")
                           .arg(TitleServices::kPresetAddress, TitleServices::kPresetIndex));
    connect(preset, &QPushButton::clicked, this, &TOptionenF::BTiteldatenStandardClick);
    layout->addWidget(preset, 0, Qt::AlignRight);
    std::tie(m_address2, m_index2) = addService(QStringLiteral("Zweiter Dienst (gefragt, wenn der erste nichts "
                                                               "findet)"),
                                                "ETiteldatenAdresse2", "ETiteldatenIndex2");
    layout->addStretch(1);
    return page;
}

void TOptionenF::BTiteldatenStandardClick() {
    m_address->setText(TitleServices::kPresetAddress);
    m_index->setText(TitleServices::kPresetIndex);
}

void TOptionenF::FormShow() {
    for (const CaptionEdit& c : std::as_const(m_captionEdits))
        c.edit->setText(INI::ReadSettingString(QString::fromLatin1(c.setting)));
    m_ETage->setText(QString::number(LoanPeriod::days()));
    const TitleServices::Service first = TitleServices::first();
    const TitleServices::Service second = TitleServices::second();
    m_address->setText(first.address);
    m_index->setText(first.index);
    m_address2->setText(second.address);
    m_index2->setText(second.index);
}

void TOptionenF::Button1Click() {
    // A service address the lookup could not use is named now, not when a librarian scans a book.
    for (QLineEdit* address : {m_address, m_address2}) {
        const QString text = address->text().trimmed();
        const QUrl url(text, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!text.isEmpty() && (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())) {
            m_pages->setCurrentIndex(1);
            address->setFocus();
            MessageService::error(this, QStringLiteral("„%1“ ist keine gültige Adresse eines Titeldaten-Dienstes. "
                                                       "Sie beginnt mit https:// oder http://.")
                                            .arg(text));
            return;
        }
    }
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
    TitleServices::store({m_address->text(), m_index->text()}, {m_address2->text(), m_index2->text()});
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
