#pragma once

#include <QWidget>

class QToolButton;

namespace lesaro {

class DataSource;

// Previous and next record buttons on a table; the only moves the program's windows offer.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Button { Prior, Next };
    Q_ENUM(Button)

    explicit DBNavigator(QWidget* parent = nullptr);

    void bind(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    QToolButton* button(Button which) const;

    // Moves as the user's click does: pending typing is stored first, an engine error is shown.
    void BtnClick(Button which);

Q_SIGNALS:
    void clicked(lesaro::DBNavigator::Button which);

private:
    void updateButtons();

    DataSource* m_source = nullptr;
    QToolButton* m_prior;
    QToolButton* m_next;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace lesaro
