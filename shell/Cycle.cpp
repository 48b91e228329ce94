// The sync cycle and the notification it ends with.
#include "shell/Formats.h"
#include "shell/Principal.h"

namespace velorix {

void TForm1::cxBtn_syncClick() {
    // 1. offline: a silent end
    if (!platform_.connectivity->isOnline()) return;
    // A connection lost since the last cycle is reopened here; when it cannot be, the routines
    // below report it as before.
    Conexao_.ensureOpen();

    // 2. the sync period, whole days
    DataInicio = QDateTime(MaskInicio.Date.date(), QTime(0, 0));
    DataFim = QDateTime(MaskFim.Date.date(), QTime(0, 0));
    if (chkPeriodo.Checked) {
        DataInicio = QDateTime(QDate(1900, 1, 1), QTime(0, 0));
        DataFim = QDateTime(QDate(9999, 12, 1), QTime(0, 0));
    }

    // 3.-4. the summary upload; a refusal ends the cycle
    if (!insere_dados()) {
        mensagens("Erro ao enviar os dados.");
        const QDateTime now = platform_.clock->now();
        const RegionalSettings rs = platform_.regional->settings();
        log("Erro ao enviar os dados.");
        log(now.date().toString(rs.shortDateFormat) + " - " + now.time().toString(rs.longTimeFormat));
        log("");
        return;
    }

    if (chkEstoqueGeral.Checked) {
        // 5. summary-document mode: the next cycle sends what is built here
        json = GerarJSON();
        Memo1.Text = json;
        clearLog();
    } else {
        // 6. detail mode, group by group as the boxes say at this moment
        if (chkPagareReceber.Checked) {
            contasapagar();
            receber();
        }
        if (chkQualidade.Checked) {
            produtos_mais();
            Qualidade();
            compras();
        }
        if (chkVendasApp.Checked) {
            consultarMovimentacaoCaixa();
            lucratividade();
            formadepagamento_nfce();
            formadepagamento();
            TotalVendas();
            TotalVendasFICAL();
        }
        lbDatahora.Caption = FormatDateTime("dd/mm/yyyy hh:nn:ss", platform_.clock->now(), platform_.regional->settings());
        clearLog();
    }
    // 7.
    mensagens(QStringLiteral("Nova sincronização :)"));
}

void TForm1::Label3Click() { insere_dados(); }

void TForm1::mensagens(const QString& mensagem) {
    if (chk_notificacao.Checked) platform_.tray->setVisible(true);
    balloonText = mensagem;
    // A balloon only appears while the icon is in the notification area.
    if (platform_.tray->isVisible()) platform_.tray->showBalloon("Integrador", balloonText);
    changed();
}

}  // namespace velorix
