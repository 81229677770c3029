#include "app/qt/ImeOffEdit.h"

#include <QValidator>

namespace {

// Refuses typing that would make the text longer than the limit, while text
// that is already longer (set by the program) may still be shortened.
class TTypingLimit : public QValidator {
 public:
  TTypingLimit(int maxChars, QLineEdit* edit) : QValidator(edit), maxChars_(maxChars) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { currentLength_ = static_cast<int>(text.size()); });
  }

  State validate(QString& input, int&) const override {
    const auto length = input.size();
    return length <= maxChars_ || length <= currentLength_ ? Acceptable : Invalid;
  }

 private:
  int maxChars_;
  int currentLength_ = 0;
};

}  // namespace

TImeOffEdit::TImeOffEdit(int maxChars, QWidget* parent) : QLineEdit(parent) {
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setValidator(new TTypingLimit(maxChars, this));
}

QVariant TImeOffEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImEnabled) return false;
  return QLineEdit::inputMethodQuery(query);
}
