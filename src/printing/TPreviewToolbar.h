#pragma once

#include <QComboBox>
#include <QIcon>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <functional>

class QToolButton;

namespace lesaro {

class TPreview;

enum class TButtonKind {
    btnPrint,
    btnPrintDialog,
    btnPrinterSetupDialog,
    btnFirstPage,
    btnPrevPage,
    btnNextPage,
    btnLastPage,
    btnWholePage,
    btnPageWidth,
    btnZoomOut,
    btnZoomIn,
    btnRefresh,
    btnClose,
    btnUser
};

// The view mode and scale of a preview, and the list to change them.
class TPreviewComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TPreviewComboBox(QWidget* parent = nullptr);
    void setPreview(TPreview* preview);
    void showPopup() override;
    // Shows the current mode and scale.
    void refresh();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void chosen(int index);
    QPointer<TPreview> m_preview;
    bool m_filling = false;
};

// The bar along the top of a preview window: print, printer, pages and zoom.
class TPreviewToolbar : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewToolbar(QWidget* parent = nullptr);

    // Buttons and the place of the scale box are set before the preview is linked.
    void setButtons(const QSet<TButtonKind>& buttons, TButtonKind scaleBoxBefore = TButtonKind::btnZoomOut);
    void setPreview(TPreview* preview);
    QToolButton* button(TButtonKind kind) const { return m_buttons.value(kind); }
    TPreviewComboBox* scaleBox() const { return m_scaleBox; }
    // The x position after the last button and the scale box, where a window may place its own controls.
    int contentsEnd() const { return m_end; }

    // Flat buttons that show their frame only under the mouse (the default).
    bool Flat() const { return m_flat; }
    void setFlat(bool flat);
    // Whether the bar shows the scale box (the default).
    bool ScaleBox() const { return m_showScaleBox; }
    void setScaleBox(bool shown);
    // The button a window may give its own meaning.
    void setUserButtonHint(const QString& hint);
    void setUserButtonGlyph(const QIcon& glyph);
    void setUserButtonEnabled(bool enabled);
    std::function<void()> OnUserButtonClick;

    void click(TButtonKind kind);
    // Fired first on every click; setting allowDefault to false cancels the default action.
    std::function<void(TButtonKind kind, bool& allowDefault)> OnButtonClick;

    static QString hint(TButtonKind kind);

Q_SIGNALS:
    // After every click and every update of the buttons.
    void updated();

private:
    void rebuild();
    void updateButtons();

    QPointer<TPreview> m_preview;
    QSet<TButtonKind> m_kinds;
    TButtonKind m_scaleBoxBefore = TButtonKind::btnZoomOut;
    QMap<TButtonKind, QToolButton*> m_buttons;
    TPreviewComboBox* m_scaleBox;
    int m_end = 0;
    bool m_flat = true;
    bool m_showScaleBox = true;
    QString m_userHint;
    QIcon m_userGlyph;
    bool m_userEnabled = true;
};

} // namespace lesaro
