// Automatic sync: the countdown, the working hours and the on/off buttons.
#include "shell/Formats.h"
#include "shell/Principal.h"

#include <QCoreApplication>
#include <optional>

namespace velorix {

void TForm1::Timer1Timer() {
    FTimeRemaining = FTimeRemaining - 1;
    // %.2d of a negative number keeps the sign: -1 s shows 00:-01
    lbcontagem.Caption =
        QString::asprintf("Próxima  em: %.2d:%.2d", FTimeRemaining / 60, FTimeRemaining % 60);
    changed();
    QCoreApplication::processEvents();
    // The hour is taken before the work, so a long cycle cannot move the next decision.
    const int hour = platform_.clock->now().time().hour();
    if (FTimeRemaining > 0) return;

    std::optional<QString> escaped;
    try {
        Timer1.stop();
        if (hour >= 7 && hour < 22) {
            if (chkEstoqueGeral.Checked || chkVendasApp.Checked) cxBtn_syncClick();
            if (chkCatalogo.Checked) {
                Conexao_.ensureOpen();
                // A failing watch escapes here, so no push on this tick.
                Buscar_catalogo();
                enviarprodutos();
            }
        }
    } catch (const std::exception& e) {
        escaped = QString::fromUtf8(e.what());
    } catch (...) {
        escaped = QStringLiteral("Unknown error");
    }
    // The countdown is re-armed whatever happened above, before the error is shown.
    Timer1.start();
    FTimeRemaining = CountdownSeconds(editMinutos.Text);
    const QDateTime now = platform_.clock->now();
    MaskInicio.Date = QDateTime(QDate(now.date().year(), now.date().month(), 1), QTime(0, 0));
    MaskFim.Date = now;
    changed();
    // The timer runs on while the box is open; a tick failing again meanwhile does not open a
    // second box over the first, or an unattended program would pile them up without end.
    static bool boxOpen = false;
    if (escaped && !boxOpen) {
        boxOpen = true;
        struct Reset { ~Reset() { boxOpen = false; } } reset;
        platform_.errors->showError(*escaped);
    }
}

void TForm1::btn_ligarClick() {
    salvaConfiguracoes("S");
    // Takes effect at the next start: the countdown and `ligado` stay as they are.
    btnDesligar.Visible = true;
    changed();
}

void TForm1::btnDesligarClick() {
    salvaConfiguracoes("N");
    const bool restart = platform_.messageBox->askYesNo(Caption, "tudo certo! Deseja reiniciar o aplicativo?");
    if (restart) {
        // The new copy must find the single-instance lock free, or it would quit at once.
        platform_.singleInstance->release();
        platform_.launcher->restartSelf();
    }
    Close();
}

}  // namespace velorix
