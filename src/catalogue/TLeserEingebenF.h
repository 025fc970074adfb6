#pragma once

#include "catalogue/EntrySteps.h"
#include "library/ReaderEntryWindow.h"
#include "ui/LesaroDialog.h"

#include <QList>

namespace lesaro {

class DataGrid;
class DBComboBox;
class DBEdit;
class DBMemo;
class DBNavigator;
class LibraryHandle;
class PostcodeLookup;

// The reader entry window, bound to the current reader. Leaving the postcode box offers the towns of that
// postcode; the list under the inputs shows the books the reader has on loan now. It registers with the
// reader table's rules, which narrow the loans to the current reader's while it shows.
class TLeserEingebenF : public LesaroDialog, public ReaderEntryWindow {
    Q_OBJECT
public:
    explicit TLeserEingebenF(LibraryHandle& library, QWidget* parent = nullptr);
    ~TLeserEingebenF() override;

    bool entryShowing() const override;

    void FormShow() override;
    bool FormCloseQuery() override;

    void DBEdit8Exit(); // postcode lookup
    void SRColorButton1Click();
    void BSpeichernClick();
    void BLoeschenClick();
    void BSchliessenClick();
    void DBGrid1TitleClick(const QString& fieldName);

private:
    void buildLayout();

    LibraryHandle& m_library;
    EntrySteps m_entry;
    PostcodeLookup* m_postcodes;
    QList<DBEdit*> m_edits;
    DBComboBox* m_town = nullptr;
    DBMemo* m_memo = nullptr;
    DataGrid* m_loans = nullptr;
    DBNavigator* m_navigator = nullptr;
};

} // namespace lesaro
