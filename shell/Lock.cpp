// The settings lock and the string scrambler.
#include "shell/Principal.h"

#include "shell/Crypt.h"

namespace velorix {

void TForm1::editSenhaChange() {
    const bool on = editSenha.Text == "7304";
    cxButton_enviar_empresa.Enabled = on;
    edt_api2.Visible = on;
    Label4.Visible = on;
    edt_api.Visible = on;
    lb_api.Visible = on;
    for (TCheckBox* c : {&chkSincNFe, &chk_notificacao, &chkSincVendas, &chkIniciarWindows, &chkVendasApp,
                         &chkPagareReceber, &chkEstoqueUn, &chkEstoqueGeral, &chkQualidade, &chkCatalogo}) {
        c->Enabled = on;
    }
    editMinutos.Enabled = on;
    edtEmpresa.Enabled = on;
    changed();
}

QString TForm1::Crypt(const QString& Action, const QString& Src) { return CryptText(Action, Src); }

}  // namespace velorix
