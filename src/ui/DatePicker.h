#pragma once

#include <QDateEdit>

namespace lesaro {

// A date field with a calendar to drop down, showing dd.MM.yyyy; it starts on today.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
};

} // namespace lesaro
