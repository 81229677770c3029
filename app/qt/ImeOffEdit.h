// The scale field: a one-line edit that keeps the input method switched off.
#pragma once

#include <QLineEdit>
#include <QVariant>

// A one-line edit field that keeps the input method switched off and takes
// at most a given number of characters from the user's typing. Text set by
// the program is never cut.
class TImeOffEdit : public QLineEdit {
 public:
  TImeOffEdit(int maxChars, QWidget* parent);
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};
