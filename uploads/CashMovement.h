#pragma once
// The cash register movement upload: every open cash register with its takings, posted on each
// detail-mode cycle whatever the sync period, even when none is open.

#include <QString>

namespace velorix {

class TForm1;

// The document {"movimentacao": [items]}, one item per open cash register, built as text from
// the figures CXAbertos reads. Lets every error pass to the caller.
QString ListaCaixasAbertos_2(TForm1& form);

}  // namespace velorix
