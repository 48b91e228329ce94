#pragma once
// The placeholder summary shown on the JSON tab until the first real build of a run. It is also
// what the summary upload sends while no document has been built, so it must stay valid JSON.

#include <QString>

namespace velorix {

// The fixed sample: one member per line, two spaces per level, lines joined by "\r\n".
QString SampleDocument();

}  // namespace velorix
