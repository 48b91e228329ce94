// Database errors reach the caller with the server's message; what a function wrote before the
// failing statement stays, what comes after keeps its old text.
#include "tests/metrics/MetricsTest.h"

#include <QSqlQuery>

using namespace velorix;
using velorix::metricstest::MetricsTest;

namespace {

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST_F(MetricsTest, AMissingColumnStopsTheFunctionAtItsStatement) {
    switches(true, true);
    unit->VConcluidas.TicketMedio = "old";
    // only the last statement of the report reads nfce_master
    erp->exec("DROP INDEX ix_nfce_master_emissao");
    erp->exec("ALTER TABLE nfce_master DROP data_emissao");

    const std::string msg = messageOf([&] { unit->RelatorioVendasConcluidas(*qryAux); });
    EXPECT_NE(msg.find("Column unknown"), std::string::npos) << msg;
    const Vendasconcluidas& v = unit->VConcluidas;
    // written before the failure (TicketMedio by the NF-e count step), as in MetricsTest.RelatorioVendas...
    EXPECT_EQ(QStringList({v.valorVendas, v.quantidadeVendas, v.totalDescontos, v.totalLucros, v.TicketMedio,
                           v.QuantidadeProdutosVendidos}),
              QStringList({"273.00", "9", "134.00", "133.50", "0", "35"}));

    // the first statement of NFsTotalMes fails: no text comes back
    EXPECT_NE(messageOf([&] { unit->NFsTotalMes(*qryAux, tmmarco, "T"); }).find("Column unknown"), std::string::npos);

    // ListaCaixasAbertos releases both of its query objects on the way out
    erp->exec("ALTER TABLE contas_movimento DROP hora");
    EXPECT_NE(messageOf([&] { unit->ListaCaixasAbertos(); }).find("HORA"), std::string::npos);
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(MetricsTest, ALostConnectionReachesTheCaller) {
    switches(true, true);
    unit->VendaUsuarios(*qryAux);
    ASSERT_EQ(unit->VUsuarios.usuario, "bruno");

    // the server ends the window's attachment, as a restart of the server would
    qint64 attachment = 0;
    {
        QSqlQuery q(form->conexao().database());
        ASSERT_TRUE(q.exec("select current_connection from rdb$database") && q.next());
        attachment = q.value(0).toLongLong();
    }
    erp->exec(QStringLiteral("delete from mon$attachments where mon$attachment_id = %1").arg(attachment));

    switches(true, false);
    const std::string msg = messageOf([&] { unit->VendaUsuarios(*qryAux); });
    EXPECT_NE(msg, "(no error)");
    EXPECT_NE(msg.find("shutdown"), std::string::npos) << msg;
    EXPECT_EQ(unit->VUsuarios.usuario, "bruno");
    EXPECT_EQ(unit->VUsuarios.totalVendas, "385.00");
    EXPECT_THROW(unit->ListaCaixasAbertos(), DbError);
}
