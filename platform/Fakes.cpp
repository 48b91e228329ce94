#include "platform/Fakes.h"

#include <stdexcept>

namespace velorix::fakes {

void FakeAutostart::apply(const QString& name, bool enable) {
    if (!failWith.isEmpty()) throw std::runtime_error(failWith.toStdString());
    registered.removeAll(name);
    if (enable) registered << name;
}

}  // namespace velorix::fakes
