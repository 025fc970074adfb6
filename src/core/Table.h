#pragma once

#include "core/Datapacket.h"
#include "core/Field.h"
#include "core/FilterExpr.h"
#include "core/RowStore.h"
#include "core/Value.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace lesaro {

class IdIndex;
class KeySearch;
class Table;
class TableOrder;

enum class TableState { Inactive, Browse, Edit, Insert };

enum class LocateOption { CaseInsensitive = 0x1, PartialKey = 0x2 };
Q_DECLARE_FLAGS(LocateOptions, LocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(LocateOptions)

// A computed field: the result field of the lookup table's row whose key equals this row's key field.
struct LookupFieldDef {
    QString name;
    FieldKind kind = FieldKind::Text;
    int width = 0;
    QString keyField;
    Table* lookupTable = nullptr;
    QString lookupKeyField;
    QString resultField;
    int position = -1; // place in the field list; -1 appends after the stored columns
};

// The in-memory table behind each of the library's lists: typed columns, a never-cleared change log,
// a view (filter and index order) with a current row, an edit state machine with event hooks, lookups
// and the datapacket files. Names follow the data-aware table the program was designed around.
class Table : public QObject {
    Q_OBJECT
public:
    explicit Table(const QString& name = {}, QObject* parent = nullptr);
    ~Table() override;

    // Schema. Columns can be changed only while the table is closed.
    void setColumns(QList<ColumnDef> columns);
    const QList<ColumnDef>& columns() const { return m_store.columns(); }
    void addLookupField(const LookupFieldDef& def);
    int fieldCount() const { return int(m_fields.size()); }
    QStringList fieldNames() const;
    int fieldIndex(const QString& name) const; // -1 when unknown; names compare without regard to case
    Field FieldByName(const QString& name);
    Field field(int index) { return Field(this, index); }

    // Opening and closing.
    bool Active() const { return m_state != TableState::Inactive; }
    void setActive(bool active);
    void Open();
    void Close();
    void CreateDataSet();

    // Navigation within the current view.
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    int RecordCount() const;
    int RecNo() const { return m_pos; } // position of the current row in the view, -1 when none
    void MoveTo(int position);          // for grids: makes the view row current, fires AfterScroll

    // Editing.
    TableState State() const { return m_state; }
    bool Modified() const { return m_modified; }
    qint64 ChangeCount() const { return m_changeCount; }
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();

    // Filtering.
    QString Filter() const { return m_filterText; }
    void setFilter(const QString& text);
    FilterOptions filterOptions() const { return m_filterOptions; }
    void setFilterOptions(FilterOptions options);
    bool Filtered() const { return m_filtered; }
    void setFiltered(bool on);

    // Ordering.
    QString IndexFieldNames() const { return m_indexFieldNames; }
    void setIndexFieldNames(const QString& names);

    // Finding. Values: one per field, a null QVariant stands for null.
    bool Locate(const QString& fields, const QVariantList& values, LocateOptions options = {});
    QVariant Lookup(const QString& fields, const QVariantList& values, const QString& resultField);

    // Files.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    void SaveToFile(const QString& fileName = {}, DatapacketForm form = DatapacketForm::Binary);
    // Gives up the rows before it reads the file into their memory, so a table whose file cannot be loaded is
    // left closed and empty (and never writes that file by itself).
    void LoadFromFile(const QString& fileName = {});
    // LoadFromFile with the reading done elsewhere (the start-up reads the files while the windows are built).
    // When read fails the rows stay as they were, closed, and are never written to the table's file by itself.
    void LoadFrom(const std::function<RowStore()>& read);
    // When set, the table never writes its file by itself (a table whose load failed, or a run that must
    // not save). Explicit SaveToFile calls to another name still work.
    void setFileWritesBlocked(bool blocked) { m_fileWritesBlocked = blocked; }
    bool fileWritesBlocked() const { return m_fileWritesBlocked; }

    // Event hooks: the program's own rules.
    std::function<void(Table&)> AfterInsert;
    std::function<void(Table&)> AfterPost;
    std::function<void(Table&)> AfterScroll;

    // What one stored change wrote into the row store, told before Post or Delete returns, so that a crash
    // journal can replay it slot for slot. Slot numbers count from 1, as in the files.
    struct StoredChange {
        quint32 kind = 0;     // LogKind
        quint32 slot = 0;     // the slot written (insert, modify) or marked deleted
        quint32 replaced = 0; // the slot a modify superseded, 0 otherwise
        quint32 logIndex = 0; // position of the change's entry in the change log
    };
    std::function<void(Table&, const StoredChange&)> AfterStoredChange;
    // The whole row store was replaced (a load or a restore): earlier stored changes no longer apply.
    std::function<void(Table&)> AfterStoreReplaced;

    // Reading any row of the view without moving the current row (grids, printing, export).
    int viewCount() const;
    Value valueAt(int position, int fieldIndex) const;
    QString displayTextAt(int position, int fieldIndex) const;
    QString stringAt(int position, int fieldIndex) const;

    // The stored rows, for the file format and for tools.
    const RowStore& store() const { return m_store; }
    void replaceStore(RowStore store); // table must be closed; counter reset as after a load

    const QString& name() const { return m_name; }

    // The largest value an integer field has held in any stored version, deleted and superseded ones
    // included (0 when none). New identifiers start above it so they never meet an old reference.
    qint64 largestStoredInteger(const QString& field) const;

    // Used by Field.
    Value currentValue(int fieldIndex) const;
    void assign(int fieldIndex, const Value& value);
    void assignText(int fieldIndex, const QString& text);

Q_SIGNALS:
    // Observer channel for windows; never used for the program's rules.
    void viewReset();             // rows of the view changed wholesale (filter, order, open, close, load)
    void currentRowChanged();     // another row became current
    void rowsChanged();           // a row was added, changed or removed
    void stateChanged();          // browse/edit/insert/inactive
    void fieldChanged(int field); // a field of the edited row was assigned

private:
    struct FieldInfo {
        QString name;
        int column = -1; // stored column, or -1 for a lookup field
        int lookup = -1; // index into m_lookups
    };
    struct LookupInfo {
        LookupFieldDef def;
        int keyColumn = -1;
        FieldKind kind = FieldKind::Text;
        mutable quint64 resolvedFor = 0; // partner schema generation the columns below belong to
        mutable int partnerKeyColumn = -1;
        mutable int partnerResultColumn = -1;
    };

    void adoptStore(RowStore store); // with everything derived from the old one dropped
    void rebuildFields();
    QStringList lookupFieldNames() const;
    FieldKind fieldKind(int fieldIndex) const;
    void requireActive() const;
    int requireField(const QString& name) const;
    std::unique_ptr<TableOrder> makeOrder(const QString& names) const;
    const std::vector<quint32>& rows() const;
    void buildView();
    void refilter();
    bool passesFilter(qsizetype slot) const;
    int positionOf(quint32 slot) const;
    void insertIntoView(quint32 slot);
    void removeFromView(quint32 slot);
    qsizetype currentSlot() const;
    void fireScroll();
    void startInsert();
    void applyFilter(const QString& text, FilterOptions options, bool on);
    Value lookupValue(int lookupIndex, const Value& key) const;
    Value slotFieldValue(qsizetype slot, int fieldIndex) const;
    qsizetype findLiveSlotByKey(int column, qint32 key) const;
    IdIndex& indexFor(int column) const;
    KeySearch keySearch(const QString& fields, const QVariantList& values, bool caseInsensitive, bool partialKey) const;
    int findFirst(const KeySearch& search) const;
    void applyCloseRule();

    QString m_name;
    RowStore m_store;
    std::vector<FieldInfo> m_fields;
    std::vector<LookupInfo> m_lookups;
    std::vector<LookupFieldDef> m_lookupDefs;

    TableState m_state = TableState::Inactive;
    bool m_modified = false;
    qint64 m_changeCount = 0;
    std::vector<Value> m_buffer; // the row being edited or inserted
    qsizetype m_editSlot = -1;   // slot being edited
    int m_posBeforeInsert = -1;

    QString m_filterText;
    FilterOptions m_filterOptions;
    bool m_filtered = false;
    std::unique_ptr<FilterExpr> m_filter; // parsed, when the filter is on and not empty

    QString m_indexFieldNames;
    std::unique_ptr<TableOrder> m_order;
    std::vector<quint32> m_ordered;      // live slots in index order
    std::vector<quint32> m_filteredRows; // the subset passing the filter, same order
    int m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;

    mutable std::vector<std::unique_ptr<IdIndex>> m_indexes; // per column, built on first use
    mutable std::vector<std::vector<QByteArray>> m_sortKeys; // collation keys per column and slot (see TableOrder)
    quint64 m_schemaGeneration = 1; // tells lookup fields of other tables to resolve their columns again
    struct LargestSeen {
        qsizetype scannedSlots = 0;
        qint64 value = 0;
    };
    mutable std::vector<LargestSeen> m_largest; // per column; slots never change, so it only scans new ones

    QString m_fileName;
    bool m_fileWritesBlocked = false;
    bool m_loadFailed = false; // the rows in memory are not the file's: never write them back

    friend class Field;
};

} // namespace lesaro
