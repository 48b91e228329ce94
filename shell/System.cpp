// Start at logon and the two questions it asks the operating system.
#include "shell/Principal.h"

namespace velorix {

void TForm1::InciarComWindows(bool Iniciar) {
    // Register when ticked, unregister when not; the entry is named after the program.
    platform_.autostart->apply("Velorix", Iniciar);
}

QString TForm1::ObterVersaoSO() { return platform_.systemInfo->productName(); }

QString TForm1::UsuarioLogado() {
    // The name must fit a 25-character buffer with its terminating null.
    const QString name = platform_.systemInfo->userName();
    return name.size() > 24 ? QString() : name;
}

}  // namespace velorix
