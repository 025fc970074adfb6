// Builds "Lesaro - Handbuch.pdf" from the manual's Markdown text. The pictures in it are taken from the
// program itself while the build runs: the main window and the main dialogs are opened offscreen on a small
// library made up here, grabbed, and set into the text where it names them ("![…](hauptfenster.png)").
//
//   lesaro-manual HANDBUCH.md AUSGABE.pdf [BILDORDNER]
//
// With a picture folder the pictures are also written there as PNG files, to look at them. A picture the
// text names but the program could not take ends the build with a message, so that the manual never goes
// out with a hole in it.

#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "shell/TMainform.h"
#include "ui/GermanInterface.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

using namespace lesaro;

namespace {

void fail(const QString& text) {
    std::fprintf(stderr, "lesaro-manual: %s\n", qPrintable(text));
    std::exit(1);
}

// A small library that shows every list filled: books on loan, one of them overdue, and returned loans.
void fillLibrary(TMainform& w) {
    struct Book {
        const char* author;
        const char* title;
        const char* publisher;
        const char* group;
    };
    const Book books[] = {
        {"Fontane, Theodor", "Effi Briest", "Reclam", "Roman"},
        {"Kästner, Erich", "Emil und die Detektive", "Dressler", "Kinderbuch"},
        {"Preußler, Otfried", "Krabat", "Thienemann", "Jugendbuch"},
        {"Ende, Michael", "Momo", "Thienemann", "Kinderbuch"},
        {"Funke, Cornelia", "Tintenherz", "Dressler", "Jugendbuch"},
        {"Mann, Thomas", "Buddenbrooks", "S. Fischer", "Roman"},
        {"Lindgren, Astrid", "Ronja Räubertochter", "Oetinger", "Kinderbuch"},
        {"Hesse, Hermann", "Unterm Rad", "Suhrkamp", "Roman"},
        {"Grimm, Jacob und Wilhelm", "Kinder- und Hausmärchen", "Reclam", "Märchen"},
        {"Storm, Theodor", "Der Schimmelreiter", "Reclam", "Novelle"},
        {"Härtling, Peter", "Ben liebt Anna", "Beltz", "Kinderbuch"},
        {"Pressler, Mirjam", "Bitterschokolade", "Beltz", "Jugendbuch"},
    };
    Table& b = w.ClientBuecher();
    int year = 1994;
    for (const Book& book : books) {
        b.Append();
        b.FieldByName(QStringLiteral("Verfasser")).setAsString(QString::fromUtf8(book.author));
        b.FieldByName(QStringLiteral("Titel")).setAsString(QString::fromUtf8(book.title));
        b.FieldByName(QStringLiteral("Verlag")).setAsString(QString::fromUtf8(book.publisher));
        b.FieldByName(QStringLiteral("Sachgruppe")).setAsString(QString::fromUtf8(book.group));
        b.FieldByName(QStringLiteral("Erscheinungsjahr")).setAsString(QString::number(year++));
        b.FieldByName(QStringLiteral("Standort")).setAsString(QStringLiteral("Regal %1").arg(1 + year % 4));
        b.Post();
    }

    struct Reader {
        const char* first;
        const char* last;
        const char* street;
        const char* postcode;
        const char* town;
    };
    const Reader readers[] = {
        {"Anna", "Becker", "Lindenstraße 4", "37073", "Göttingen"},
        {"Jonas", "Schäfer", "Am Markt 12", "37083", "Göttingen"},
        {"Marie", "Wolf", "Kirchweg 3", "37120", "Bovenden"},
        {"Lukas", "Neumann", "Gartenstraße 18", "37079", "Göttingen"},
        {"Sophie", "Krüger", "Bahnhofstraße 7", "37127", "Dransfeld"},
    };
    Table& r = w.ClientLeser();
    for (const Reader& reader : readers) {
        r.Append();
        r.FieldByName(QStringLiteral("Vorname")).setAsString(QString::fromUtf8(reader.first));
        r.FieldByName(QStringLiteral("Nachname")).setAsString(QString::fromUtf8(reader.last));
        r.FieldByName(QStringLiteral("Strae")).setAsString(QString::fromUtf8(reader.street));
        r.FieldByName(QStringLiteral("PLZ")).setAsString(QString::fromUtf8(reader.postcode));
        r.FieldByName(QStringLiteral("Ort")).setAsString(QString::fromUtf8(reader.town));
        r.Post();
    }

    // Book ID, reader ID, lent days ago, due in days (negative: overdue), returned.
    struct Loan {
        int book, reader, lentAgo, dueIn;
        bool returned;
    };
    const Loan loans[] = {{1, 1, 40, -12, true}, {2, 1, 10, 18, false},  {3, 2, 35, -7, false},
                          {4, 3, 5, 23, false},  {5, 4, 50, -22, false}, {6, 5, 20, 8, true}};
    const QDate today = Clock::today();
    Table& l = w.ClientAusleihe();
    for (const Loan& loan : loans) {
        l.Append();
        l.FieldByName(QStringLiteral("BuecherID")).setAsInteger(loan.book);
        l.FieldByName(QStringLiteral("LeserID")).setAsInteger(loan.reader);
        l.FieldByName(QStringLiteral("DatumVon")).setAsDate(today.addDays(-loan.lentAgo));
        if (loan.returned)
            l.FieldByName(QStringLiteral("DatumBis")).setAsDate(today.addDays(-2));
        else
            l.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(today.addDays(loan.dueIn));
        l.Post();
        if (!loan.returned && b.Locate(QStringLiteral("ID"), QVariantList{loan.book})) {
            b.Edit();
            b.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(true);
            b.Post();
        }
    }
    b.First();
    r.First();
    l.First();
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Runs a command that opens a modal window, grabs the window once it is up, and closes it again. The look
// is repeated until the window is there, so a command that lets events through before it opens its window
// cannot leave the build waiting on a window nobody closes.
QImage grabModal(const std::function<void()>& open) {
    auto image = std::make_shared<QImage>();
    auto returned = std::make_shared<bool>(false);
    auto look = std::make_shared<std::function<void()>>();
    *look = [image, returned, weak = std::weak_ptr<std::function<void()>>(look)] {
        if (*returned)
            return;
        if (QWidget* modal = QApplication::activeModalWidget()) {
            settle();
            *image = modal->grab().toImage();
            modal->close();
            return;
        }
        if (auto again = weak.lock())
            QTimer::singleShot(50, *again);
    };
    QTimer::singleShot(100, *look);
    open();
    *returned = true;
    settle();
    return *image;
}

void trigger(TMainform& w, const char* action) {
    auto* a = w.findChild<QAction*>(QString::fromLatin1(action));
    if (!a)
        fail(QStringLiteral("Der Menübefehl %1 fehlt.").arg(QString::fromLatin1(action)));
    a->trigger();
}

std::map<QString, QImage> takePictures(TMainform& w) {
    std::map<QString, QImage> pictures;
    settle();
    w.PageControl1()->setCurrentIndex(0);
    settle();
    pictures[QStringLiteral("hauptfenster.png")] = w.grab().toImage();
    w.PageControl1()->setCurrentIndex(3);
    settle();
    pictures[QStringLiteral("ueberfaellig.png")] = w.grab().toImage();
    w.PageControl1()->setCurrentIndex(0);
    settle();

    const std::pair<const char*, std::function<void()>> modal[] = {
        {"buch.png", [&] { trigger(w, "BuchBearbeiten1"); }},
        {"leser.png", [&] { trigger(w, "LeserBearbeiten1"); }},
        {"ausleihe.png", [&] { trigger(w, "Ausleihen1"); }},
        {"rueckgabe.png", [&] { trigger(w, "Rueckgabe1"); }},
        {"auswerten.png", [&] { trigger(w, "Auswerten1"); }},
        {"buecherdrucken.png", [&] { trigger(w, "BuchDrucken1"); }},
        {"export.png", [&] { trigger(w, "BuchExportieren1"); }},
        {"import.png", [&] { trigger(w, "BuchImportieren1"); }},
        {"sichern.png", [&] { trigger(w, "Datenbanksichern1"); }},
        {"optionen.png", [&] { trigger(w, "Feldnamen1"); }},
        {"ordnung.png", [&] { trigger(w, "DatenausBoxenloeschen1"); }},
    };
    for (const auto& [name, open] : modal) {
        const QImage image = grabModal(open);
        if (!image.isNull())
            pictures[QString::fromLatin1(name)] = image;
    }
    return pictures;
}

// Pictures no wider than the text column, so a wide window is made smaller rather than cut off.
void fitPictures(QTextDocument& doc, const std::map<QString, QImage>& pictures, qreal maxWidth) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const auto found = pictures.find(format.name());
            if (found == pictures.end())
                fail(QStringLiteral("Das Bild „%1“ wurde nicht aufgenommen.").arg(format.name()));
            const QSizeF size = found->second.size();
            const qreal scale = std::min<qreal>(1.0, maxWidth / size.width());
            format.setWidth(size.width() * scale);
            format.setHeight(size.height() * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

// The pictures come from memory. The print works on a copy of the document, which asks this one for them.
class ManualDocument : public QTextDocument {
public:
    explicit ManualDocument(const std::map<QString, QImage>& pictures)
        : m_pictures(pictures) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource) {
            const auto found = m_pictures.find(name.toString());
            if (found != m_pictures.end())
                return found->second;
        }
        return QTextDocument::loadResource(type, name);
    }

private:
    const std::map<QString, QImage>& m_pictures;
};

void writePdf(const QString& markdownPath, const QString& pdfPath, const std::map<QString, QImage>& pictures) {
    QFile source(markdownPath);
    if (!source.open(QIODevice::ReadOnly))
        fail(QStringLiteral("„%1“ kann nicht gelesen werden: %2").arg(markdownPath, source.errorString()));
    ManualDocument doc(pictures);
    doc.setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 10));
    doc.setMarkdown(QString::fromUtf8(source.readAll()));
    fitPictures(doc, pictures, 600);

    // Every chapter starts on a new page; the title page is the text before the first chapter.
    bool first = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 1)
            continue;
        if (!first) {
            QTextCursor cursor(block);
            QTextBlockFormat format = block.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(format);
        }
        first = false;
    }

    QSaveFile out(pdfPath);
    if (!out.open(QIODevice::WriteOnly))
        fail(QStringLiteral("„%1“ kann nicht geschrieben werden: %2").arg(pdfPath, out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("Lesaro - Handbuch"));
        writer.setCreator(QStringLiteral("Lesaro"));
        doc.print(&writer);
    }
    if (!out.commit())
        fail(QStringLiteral("„%1“ kann nicht geschrieben werden: %2").arg(pdfPath, out.errorString()));
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || args.size() > 4) {
        std::fputs("Aufruf: lesaro-manual HANDBUCH.md AUSGABE.pdf [BILDORDNER]\n", stderr);
        return 2;
    }
    GermanLocale::install();
    GermanInterface::install(app);

    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("Kein temporärer Ordner: %1").arg(dir.errorString()));
    SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
    MessageService::setAnswering(true);
    // A fixed day, so the pictures are the same at every build.
    Clock::setFixedNow(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    INI::WriteSettingInteger(QStringLiteral("Width"), 900);
    INI::WriteSettingInteger(QStringLiteral("Height"), 520);

    std::map<QString, QImage> pictures;
    {
        LibraryHandle library;
        TMainform window(library);
        window.FormCreate(dir.filePath(QStringLiteral("share")), dir.path());
        window.show();
        settle();
        fillLibrary(window);
        pictures = takePictures(window);
        window.close();
        library.data().closeTables();
    }

    if (args.size() == 4) {
        QDir().mkpath(args[3]);
        for (const auto& [name, image] : pictures)
            image.save(QDir(args[3]).filePath(name));
    }
    writePdf(args[1], args[2], pictures);
    return 0;
}
