// The company sign-up: the company record of the tab "Empresa", form-posted to the sign-up address.
#include "shell/Formats.h"
#include "shell/Principal.h"
#include "summary/FormClient.h"

namespace velorix {

bool TForm1::insere_empresa() {
    try {
        // Read again now: the tab must hold the company's data, whatever happened to the
        // record since the window was shown.
        loadEmpresa();
        changed();
        FormClient& http = IdHTTP1();
        http.accept = "text/html, image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
        http.userAgent = "Mozilla/4.0";
        const QString answer = http.post(edt_api2.Text, {{"CNPJ", DBEdit_cnpj.Text},
                                                          {"razao_social", DBEdit_razao.Text},
                                                          {"fantasia", DBEdit_fantasia.Text},
                                                          {"proprietario", DBEdit_responsavel.Text},
                                                          {"email", DBEdit_email.Text},
                                                          {"pass", "804917"}});
        return TrimControl(answer) == "1";
    } catch (const std::exception& e) {
        log("Falha ao cadastrar a empresa - " +
            FormatDateTime("dd/mm/yyyy hh:mm:ss", platform_.clock->now(), platform_.regional->settings()));
        log(QString::fromUtf8(e.what()));
        return false;
    }
}

void TForm1::cxButton_enviar_empresaClick() {
    const bool cadastrada = insere_empresa();
    const QDateTime now = platform_.clock->now();
    const RegionalSettings rs = platform_.regional->settings();
    const QString quando = now.date().toString(rs.shortDateFormat) + " - " + now.time().toString(rs.longTimeFormat);
    if (cadastrada) {
        log("Empresa cadastrada com sucesso.");
        log(QStringLiteral("A senha padrão é 804917."));
        log(QStringLiteral("O admin poderá alterar no painel web."));
    } else {
        log(QStringLiteral("Empresa não pode ser cadastrada."));
    }
    log(quando);
    log("");
}

}  // namespace velorix
