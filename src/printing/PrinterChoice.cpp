#include "printing/PrinterChoice.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace lesaro::printing {

const QString PrinterChoice::PdfPrinterName = QStringLiteral("PDF-Datei");

namespace {

std::unique_ptr<QPrinter>& printer() {
    static std::unique_ptr<QPrinter> p;
    return p;
}

std::unique_ptr<QPrinter> pdfPrinter() {
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setResolution(600);
    p->setPageSize(QPageSize(QPageSize::A4));
    p->setPageOrientation(QPageLayout::Portrait);
    p->setFullPage(true);
    return p;
}

std::unique_ptr<QPrinter> systemPrinter(const QPrinterInfo& info) {
    auto p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // The lists are laid out on the whole sheet, with the origin at its corner, as on the preview.
    p->setFullPage(true);
    return p;
}

} // namespace

QPrinter& PrinterChoice::current() {
    if (!printer())
        selectDefault();
    return *printer();
}

void PrinterChoice::selectDefault() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    printer() = info.isNull() ? pdfPrinter() : systemPrinter(info);
}

void PrinterChoice::select(const QString& name) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    printer() = info.isNull() || name == PdfPrinterName ? pdfPrinter() : systemPrinter(info);
}

QString PrinterChoice::currentName() {
    QPrinter& p = current();
    if (p.outputFormat() == QPrinter::PdfFormat || p.printerName().isEmpty())
        return PdfPrinterName;
    return p.printerName();
}

bool PrinterChoice::isPdfFile() {
    return currentName() == PdfPrinterName;
}

QStringList PrinterChoice::printerNames() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(PdfPrinterName);
    return names;
}

} // namespace lesaro::printing
