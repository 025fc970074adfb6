#include "lending/TAusleihhistorieF.h"

#include "lending/LoanHistoryGrid.h"
#include "ui/DBText.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/WindowStyle.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace lesaro {

TAusleihhistorieF::TAusleihhistorieF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_desk(library.data()) {
    setObjectName(QStringLiteral("AusleihhistorieF"));
    setWindowTitle(QStringLiteral("Ausleihhistorie"));
    setClientSize(535, 324);

    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* panel = new QWidget(contentArea());
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(41);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(16);
    m_DBText1 = new DBText(panel);
    m_DBText1->setObjectName(QStringLiteral("DBText1"));
    m_DBText1->bind(&library.DataBuecher(), QStringLiteral("Verfasser"));
    m_DBText2 = new DBText(panel);
    m_DBText2->setObjectName(QStringLiteral("DBText2"));
    m_DBText2->bind(&library.DataBuecher(), QStringLiteral("Titel"));
    QFont bold = m_DBText1->font();
    bold.setBold(true);
    m_DBText1->setFont(bold);
    m_DBText2->setFont(bold);
    row->addWidget(m_DBText1);
    row->addWidget(m_DBText2, 1);
    layout->addWidget(panel);

    m_DBGrid1 = new LoanHistoryGrid(contentArea());
    m_DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_DBGrid1->bindEditable(&library.DataAusleihe(),
                            {{QStringLiteral("DatumVon"), QStringLiteral("Von"), 0},
                             {QStringLiteral("DatumBis"), QStringLiteral("Bis"), 0},
                             {QStringLiteral("LeserNummer"), QStringLiteral("Leser-Nr."), 0},
                             {QStringLiteral("LeserVorname"), QStringLiteral("Vorname"), 150},
                             {QStringLiteral("LeserNachname"), QStringLiteral("Nachname"), 150},
                             {QStringLiteral("Bemerkung"), QStringLiteral("Bemerkung"), 0}},
                            library.ClientLeser(),
                            {{QStringLiteral("LeserNummer"), QStringLiteral("Nummer")},
                             {QStringLiteral("LeserVorname"), QStringLiteral("Vorname")},
                             {QStringLiteral("LeserNachname"), QStringLiteral("Nachname")}});
    layout->addWidget(m_DBGrid1, 1);

    FlatButton* schliessen = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral(" Schließen"));
    connect(schliessen, &QPushButton::clicked, this, &TAusleihhistorieF::BSchliessenClick);
    connect(m_DBGrid1, &DataGrid::titleClicked, this, [this](int, const QString& field) { DBGrid1TitleClick(field); });
    connect(&library.DataAusleihe(), &DataSource::rowsChanged, this, &TAusleihhistorieF::loansChanged);
    FormCreate();
}

void TAusleihhistorieF::FormCreate() {
    QPalette p = m_DBGrid1->palette();
    p.setColor(QPalette::Base, WindowStyle::dialogBackground());
    m_DBGrid1->setPalette(p);
}

DataGrid* TAusleihhistorieF::DBGrid1() const {
    return m_DBGrid1;
}

void TAusleihhistorieF::FormShow() {
    Table& books = m_library.ClientBuecher();
    m_bookId =
        books.Active() && books.RecordCount() > 0 ? books.FieldByName(QStringLiteral("ID")).AsVariant() : QVariant();
    m_DBGrid1->setFocus(Qt::OtherFocusReason);
}

bool TAusleihhistorieF::FormCloseQuery() {
    // A changed cell is saved like leaving its row would, so nothing typed is lost by closing.
    if (!run([this] { m_library.ClientAusleihe().CheckBrowseMode(); }))
        return false;
    if (m_syncQueued) {
        m_syncQueued = false;
        run([this] { m_desk.syncLentFlag(m_bookId); });
    }
    return true;
}

void TAusleihhistorieF::DBGrid1TitleClick(const QString& field) {
    run([&] { m_library.ClientAusleihe().setIndexFieldNames(field); });
}

void TAusleihhistorieF::BSchliessenClick() {
    reject();
}

void TAusleihhistorieF::loansChanged() {
    if (!isVisible() || m_syncQueued)
        return;
    // The loan row is still being saved when its change is announced; the book follows once that is done.
    m_syncQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_syncQueued)
                return;
            m_syncQueued = false;
            run([this] { m_desk.syncLentFlag(m_bookId); });
        },
        Qt::QueuedConnection);
}

} // namespace lesaro
