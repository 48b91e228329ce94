// Automatic sync: the countdown, the working hours and the on/off buttons.
#include "shell/Formats.h"
#include "shell/Principal.h"

#include <QCoreApplication>

namespace velorix {

void TForm1::Timer1Timer() {
    FTimeRemaining = FTimeRemaining - 1;
    // %.2d of a negative number keeps the sign: -1 s shows 00:-01
    lbcontagem.Caption =
        QString::asprintf("Próxima  em: %.2d:%.2d", FTimeRemaining / 60, FTimeRemaining % 60);
    changed();
    QCoreApplication::processEvents();
    const int hour = platform_.clock->now().time().hour();
    if (FTimeRemaining > 0) return;

    QString escaped;
    Timer1.stop();
    try {
        if (hour >= 7 && hour <= 21) {
            if (chkEstoqueGeral.Checked || chkVendasApp.Checked) cxBtn_syncClick();
            if (chkCatalogo.Checked) {
                // A failing watch escapes here, so no push on this tick.
                Buscar_catalogo();
                enviarprodutos();
            }
        }
    } catch (const std::exception& e) {
        escaped = QString::fromUtf8(e.what());
    }
    // The countdown is re-armed whatever happened above.
    Timer1.start();
    FTimeRemaining = StrToIntDef(editMinutos.Text, 5) * 60;
    const QDateTime now = platform_.clock->now();
    MaskInicio.Date = QDateTime(QDate(now.date().year(), now.date().month(), 1), QTime(0, 0));
    MaskFim.Date = now;
    changed();
    if (!escaped.isNull()) platform_.errors->showError(escaped);
}

void TForm1::btn_ligarClick() {
    salvaConfiguracoes("S");
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
