// Resources live in the Qt resource system under ":/" followed by their name.
#include "monitor/ProgramResource.h"

#include <QFile>
#include <stdexcept>

// The resources are linked from a static library: naming their initialiser keeps the
// linker from dropping them.
static void InitializeProgramResources() { Q_INIT_RESOURCE(pipewatch); }

namespace vek::monitor {

std::string ReadProgramResource(const std::string& name) {
  static const bool initialized = (InitializeProgramResources(), true);
  (void)initialized;
  QFile file(QStringLiteral(":/") + QString::fromStdString(name));
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("Resource " + name + " not found");
  }
  const QByteArray bytes = file.readAll();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace vek::monitor
