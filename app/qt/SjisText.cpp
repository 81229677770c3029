#include "app/qt/SjisText.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

QString DecodeSjis(std::string_view text) {
  QStringDecoder decoder("CP932");
  if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
  return decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

std::string EncodeSjis(const QString& text) {
  QStringEncoder encoder("CP932");
  if (!encoder.isValid()) encoder = QStringEncoder("Shift_JIS");
  const QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}
