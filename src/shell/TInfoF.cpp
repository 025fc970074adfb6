#include "shell/TInfoF.h"

#include "ui/FlatButton.h"
#include "ui/WindowStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace lesaro {

TInfoF::TInfoF(QWidget* parent)
    : LesaroDialog(parent) {
    setObjectName(QStringLiteral("InfoF"));
    setWindowTitle(QStringLiteral("Info"));

    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(4);

    QLabel* programm = addLine(QStringLiteral("LProgramm"), QStringLiteral("Lesaro 2012"));
    QFont big = programm->font();
    // The program's font is sized in pixels, so its point size reads as -1.
    if (big.pixelSize() > 0)
        big.setPixelSize(qRound(big.pixelSize() * 1.8));
    else
        big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    programm->setFont(big);
    QPalette navyText = programm->palette();
    navyText.setColor(QPalette::WindowText, WindowStyle::navy());
    programm->setPalette(navyText);

    addLine(QStringLiteral("LTitel"), QStringLiteral("Orvendel Software - Lesaro 2012"));
    addLine(QStringLiteral("LVersion"), versionText());
    layout->addSpacing(10);
    addLine(QStringLiteral("LBeschreibung"),
            QStringLiteral("Bücher, Leser und Ausleihen im Griff – für die kleine Bibliothek in Schule, "
                           "Pfarrei oder Verein."))
        ->setWordWrap(true);
    layout->addSpacing(10);
    addLine(QStringLiteral("LPostleitzahlen"), postcodeCredit());
    // The licence address is shown as text to read or copy: the program itself opens no web pages here.
    addLine(QStringLiteral("LLizenz"), postcodeLicence())->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addStretch(1);
    contentArea()->setMinimumWidth(380);

    FlatButton* ok = addBarButton(QStringLiteral("BOK"), QStringLiteral("OK"));
    connect(ok, &FlatButton::clicked, this, &TInfoF::accept);
}

QLabel* TInfoF::addLine(const QString& objectName, const QString& text) {
    auto* label = new QLabel(text, contentArea());
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    contentArea()->layout()->addWidget(label);
    return label;
}

} // namespace lesaro
