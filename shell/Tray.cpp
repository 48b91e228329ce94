// The tray icon, its menu and the window's hiding and showing.
#include "shell/Principal.h"

#include <QCoreApplication>

namespace velorix {

void TForm1::ApplicationEvents1Minimize() {
    if (ligado == "S") {
        Visible = false;
        Minimized = true;
        platform_.tray->setVisible(true);
        platform_.tray->showBalloon("Integrador", balloonText);
        mensagens("Velorix - SINCRONIZADOR");
        emit windowStateRequested();
        changed();
    } else {
        // With automatic sync off there is nothing to stay for.
        requestTermination();
    }
}

void TForm1::btFecharClick() {
    Visible = false;
    Minimized = true;
    platform_.tray->setVisible(true);
    emit windowStateRequested();
    changed();
}

void TForm1::TrayIcon1DblClick() {
    platform_.tray->setVisible(false);
    Visible = true;
    Minimized = false;
    guarded([&] { FormShow(); });
    emit windowStateRequested();
    changed();
}

void TForm1::ShowApplication() {
    platform_.tray->setVisible(false);
    Visible = true;
    Minimized = false;
    guarded([&] { FormShow(); });
    emit windowStateRequested();
    ChangeStatusWindow();
}

void TForm1::ChangeStatusWindow() {
    SairdaAplicao1Caption = Visible ? QStringLiteral("Minimizar para a bandeja") : QStringLiteral("Sair da Aplicação");
    changed();
    QCoreApplication::processEvents();
}

void TForm1::RestaurarAplicao1Click() {
    QCoreApplication::processEvents();
    ShowApplication();
}

void TForm1::SairdaAplicao1Click() { Close(); }

void TForm1::Close() {
    FormClose();
    emit closeRequested();
    requestTermination();
}

void TForm1::ForaFechamento1Click() {
    Timer1.stop();
    requestTermination();
}

}  // namespace velorix
