#pragma once
// The string scrambler of the stored unlock code ("C" scrambles, "D" unscrambles). A free function so
// it can be driven without a window (fuzzing); TForm1::Crypt calls it.

#include <QString>

namespace velorix {

// Any other action, or an empty `Src`, gives an empty text. "D" throws std::invalid_argument when
// `Src` is not the hexadecimal form "C" writes.
QString CryptText(const QString& Action, const QString& Src);

}  // namespace velorix
