// The metric functions against the data set of tests/support/MetricsData.cpp ("now" is
// Friday 14 March 2025, 10:00). Each expected figure is worked out from the rows it names.
#include "tests/metrics/MetricsTest.h"

#include <functional>

using namespace velorix;
using velorix::metricstest::MetricsTest;

namespace {

struct Figure {
    const char* what;
    std::function<QString(uConsultas&, ErpQuery&)> run;
    const char* expected;
};

void expectFigures(uConsultas& u, ErpQuery& q, std::initializer_list<Figure> figures) {
    for (const auto& f : figures) EXPECT_EQ(f.run(u, q), QString::fromUtf8(f.expected)) << f.what;
}

}  // namespace

TEST_F(MetricsTest, MonthlySeries) {
    switches(true, true);
    expectFigures(*unit, *qryAux, {
        // notes: NFC-e + NF-e of the code, month bounds included
        {"NFs T jan: nfce 11.11 (31st) + nfe 505 0.90", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmjaneiro, "T"); }, "12.01"},
        {"NFs T feb: nfce 22.22 (1st)", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmfeveiro, "T"); }, "22.22"},
        {"NFs T mar: nfce 45.25 + 100.10", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmmarco, "T"); }, "145.35"},
        {"NFs C mar: nfce 9.99 + nfe 508 10.00", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmmarco, "C"); }, "19.99"},
        {"NFs O mar: nfce 5.00", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmmarco, "O"); }, "5.00"},
        {"NFs T apr: nfe 509 100.10 on the 30th, no nfce", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmabril, "T"); }, "100.10"},
        {"NFs T dec: later month, nothing", [](auto& u, auto& q) { return u.NFsTotalMes(q, tmdezembro, "T"); }, "0"},
        // sales + NF-e of the code
        {"Vendas F jan: 101 122.30 + 102 10.00 (31st)", [](auto& u, auto& q) { return u.VendasTotalMes(q, tmjaneiro, "F"); }, "132.30"},
        {"Vendas F mar: 301..308 completed", [](auto& u, auto& q) { return u.VendasTotalMes(q, tmmarco, "F"); }, "188.00"},
        {"Vendas C mar: 304 15.00 + 305 0.00 + nfe 508 10.00", [](auto& u, auto& q) { return u.VendasTotalMes(q, tmmarco, "C"); }, "25.00"},
        {"Vendas F apr: 401", [](auto& u, auto& q) { return u.VendasTotalMes(q, tmabril, "F"); }, "999.00"},
        // cash book
        {"CX saldo jan: 100 - 350", [](auto& u, auto& q) { return u.CXSaldoMes(q, tmjaneiro); }, "-250.00"},
        {"CX entrada jan", [](auto& u, auto& q) { return u.CXEntradaMes(q, tmjaneiro); }, "100.00"},
        {"CX saida jan", [](auto& u, auto& q) { return u.CXSaidaMes(q, tmjaneiro); }, "350.00"},
        {"CX saldo feb: no rows", [](auto& u, auto& q) { return u.CXSaldoMes(q, tmfeveiro); }, "0"},
        {"CX saldo mar: 290 - 80", [](auto& u, auto& q) { return u.CXSaldoMes(q, tmmarco); }, "210.00"},
        {"CX saldo apr: 1 - 1 is exactly 0", [](auto& u, auto& q) { return u.CXSaldoMes(q, tmabril); }, "0"},
        {"CX entrada apr", [](auto& u, auto& q) { return u.CXEntradaMes(q, tmabril); }, "1.00"},
        // receivables and payables by due date
        {"CReceber jan: 8 was received", [](auto& u, auto& q) { return u.TotalCReceber(q, tmjaneiro); }, "0"},
        {"CRecebidas jan: 8 received 12.00", [](auto& u, auto& q) { return u.TotalCRecebidas(q, tmjaneiro); }, "12.00"},
        {"CReceber feb: 6", [](auto& u, auto& q) { return u.TotalCReceber(q, tmfeveiro); }, "70.00"},
        {"CReceber mar: 1 + 3", [](auto& u, auto& q) { return u.TotalCReceber(q, tmmarco); }, "130.00"},
        {"CRecebidas mar: 2 50 + 4 0 + 5 20", [](auto& u, auto& q) { return u.TotalCRecebidas(q, tmmarco); }, "70.00"},
        {"CReceber apr: 7", [](auto& u, auto& q) { return u.TotalCReceber(q, tmabril); }, "60.00"},
        {"CPagar feb: 6 paid", [](auto& u, auto& q) { return u.TotalCPagar(q, tmfeveiro); }, "15.00"},
        {"CPagarPendentes feb: 5", [](auto& u, auto& q) { return u.TotalCPagarPendentes(q, tmfeveiro); }, "90.00"},
        {"CPagar mar: 2", [](auto& u, auto& q) { return u.TotalCPagar(q, tmmarco); }, "80.00"},
        {"CPagarPendentes mar: 1 + 3 + 4", [](auto& u, auto& q) { return u.TotalCPagarPendentes(q, tmmarco); }, "278.33"},
        // profit: 28 items of 1.00 in january; 48.00 in february; see RelatorioVendasConcluidas for march
        {"Lucros jan", [](auto& u, auto& q) { return u.LucrosPresumidosGanhos(q, tmjaneiro); }, "28.00"},
        {"Lucros feb: 2 x (25 - 1)", [](auto& u, auto& q) { return u.LucrosPresumidosGanhos(q, tmfeveiro); }, "48.00"},
        {"Lucros mar", [](auto& u, auto& q) { return u.LucrosPresumidosGanhos(q, tmmarco); }, "90.50"},
        {"Lucros apr: 401 has no items", [](auto& u, auto& q) { return u.LucrosPresumidosGanhos(q, tmabril); }, "0"},
    });
    // one-row results end their transactions by themselves
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(MetricsTest, SalesAndNfePartsFollowTheSwitchesAtCallTime) {
    // february "F": sale 201 50.00, NF-e 507 7.50
    struct Case { bool vendas, nfe; const char* expected; };
    const Case cases[] = {{true, true, "57.50"}, {true, false, "50.00"}, {false, true, "7.50"}, {false, false, ""}};
    for (const auto& c : cases) {
        switches(c.vendas, c.nfe);
        EXPECT_EQ(unit->VendasTotalMes(*qryAux, tmfeveiro, "F"), c.expected) << c.vendas << c.nfe;
    }
}

TEST_F(MetricsTest, CurrentStateAndCounts) {
    switches(true, true);
    expectFigures(*unit, *qryAux, {
        // today's payments: total of completed payments with an amount, of today's sales 301, 302, 307
        {"FPG D: 35.00 + 10.00 + 6.00 (cancelled, zero-amount and yesterday's left out)", [](auto& u, auto& q) { return u.VendasFPGTotalMes(q, "D"); }, "51.00"},
        {"FPG C", [](auto& u, auto& q) { return u.VendasFPGTotalMes(q, "C"); }, "20.00"},
        {"FPG E: 10 + 8", [](auto& u, auto& q) { return u.VendasFPGTotalMes(q, "E"); }, "18.00"},
        {"FPG I: 25 + 5", [](auto& u, auto& q) { return u.VendasFPGTotalMes(q, "I"); }, "30.00"},
        {"FPG T: 1 + 5", [](auto& u, auto& q) { return u.VendasFPGTotalMes(q, "T"); }, "6.00"},
        {"FPG Z: no such type", [](auto& u, auto& q) { return u.VendasFPGTotalMes(q, "Z"); }, "0"},
        // this month's cash book: 200/50, 80/30, 10/0
        {"CX SALDO", [](auto& u, auto& q) { return u.CXValorAtual(q, "SALDO"); }, "210.00"},
        {"CX ENTRADA", [](auto& u, auto& q) { return u.CXValorAtual(q, "ENTRADA"); }, "290.00"},
        {"CX SAIDA", [](auto& u, auto& q) { return u.CXValorAtual(q, "SAIDA"); }, "80.00"},
        // counts
        {"P: Arroz and Feijao at or below minimum", [](auto& u, auto& q) { return u.QtdCadastros(q, "P"); }, "2"},
        {"C: active customers 1, 2, 5", [](auto& u, auto& q) { return u.QtdCadastros(q, "C"); }, "3"},
        {"U: active users", [](auto& u, auto& q) { return u.QtdCadastros(q, "U"); }, "2"},
        {"F: active suppliers 4, 5", [](auto& u, auto& q) { return u.QtdCadastros(q, "F"); }, "2"},
        // receivables now
        {"CR VENCIDAS: 1, 2 (received), 6, 8 due before today", [](auto& u, auto& q) { return u.TotalCReceberAtual(q, "VENCIDAS"); }, "230.00"},
        {"CR PENDENTES: 1 + 3 (due today)", [](auto& u, auto& q) { return u.TotalCReceberAtual(q, "PENDENTES"); }, "130.00"},
        {"CR PAGAS: 2 + 5 (4 received 0.00)", [](auto& u, auto& q) { return u.TotalCReceberAtual(q, "PAGAS"); }, "75.50"},
        // payables now
        {"CP VENCIDAS: 1 + 5 unpaid before today", [](auto& u, auto& q) { return u.TotalCPagarAtual(q, "VENCIDAS"); }, "290.00"},
        {"CP PENDENTES: 1 + 3 + 4", [](auto& u, auto& q) { return u.TotalCPagarAtual(q, "PENDENTES"); }, "278.33"},
        {"CP PAGAS: 2", [](auto& u, auto& q) { return u.TotalCPagarAtual(q, "PAGAS"); }, "80.00"},
    });

    // with "Qualidade": serial items written off from 1 March to 31 May (rows 2, 3, 4)
    form->chkQualidade.Checked = true;
    EXPECT_EQ(unit->QtdCadastros(*qryAux, "P"), "3");
    EXPECT_EQ(unit->QtdCadastros(*qryAux, "C"), "3");
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(MetricsTest, CodesAreQuotedAndUnknownCodesHandled) {
    switches(true, true);
    // O'X rows: nfce 3.00 + nfe 506 4.00; sale 203 8.00; payment 19 1.50 on today's sale 301
    EXPECT_EQ(unit->NFsTotalMes(*qryAux, tmfeveiro, "O'X"), "7.00");
    EXPECT_NE(qryAux->sql().indexOf("(nm.situacao='O''X')"), -1) << qryAux->sql().toStdString();
    EXPECT_EQ(unit->VendasTotalMes(*qryAux, tmfeveiro, "O'X"), "12.00");
    EXPECT_EQ(unit->VendasFPGTotalMes(*qryAux, "O'X"), "1.50");

    // unknown codes raise where the statement would be chosen; codes are case-sensitive
    EXPECT_THROW(unit->QtdCadastros(*qryAux, "X"), DbError);
    EXPECT_THROW(unit->TotalCReceberAtual(*qryAux, "vencidas"), DbError);
    EXPECT_THROW(unit->TotalCPagarAtual(*qryAux, ""), DbError);

    // CXValorAtual answers "0" and leaves the query as it was
    EXPECT_EQ(unit->CXValorAtual(*qryAux, "SALDO"), "210.00");
    const QString before = qryAux->sql();
    EXPECT_EQ(unit->CXValorAtual(*qryAux, "saldo"), "0");
    EXPECT_EQ(qryAux->sql(), before);
    ASSERT_TRUE(qryAux->active());
    EXPECT_DOUBLE_EQ(qryAux->fields(0).asFloat(), 210.0);
}

TEST_F(MetricsTest, TopProdutosWithSevenThreeAndNoProducts) {
    struct Case {
        const char* what;
        QDate today;
        QStringList fields;  // produto01, quantidade01, ... quantidade06
    };
    const Case cases[] = {
        // sale 101: product k in 8 - k items; Oleo (1 item) is the seventh
        {"january, seven products", QDate(2025, 1, 20),
         {"Arroz", "7", "Feijao", "6", "Cafe", "5", "Acucar", "4", "Leite", "3", "Sal", "2"}},
        // items of completed sales: Arroz in 301, 302, 303; Cafe in 301, 306; Feijao in 302
        // (its item of 301 is cancelled); ranks 4 to 6 repeat the third
        {"march, three products", QDate(2025, 3, 14),
         {"Arroz", "3", "Cafe", "2", "Feijao", "1", "Feijao", "1", "Feijao", "1", "Feijao", "1"}},
        {"june, no sales", QDate(2025, 6, 10), {"", "", "", "", "", "", "", "", "", "", "", ""}},
    };
    for (const auto& c : cases) {
        h.fakes.clock->set(QDateTime(c.today, QTime(12, 0)));
        unit->topProdutos(*qryAux);
        const TopsProdutos& t = unit->TProdutos;
        const QStringList got = {t.produto01, t.quantidade01, t.produto02, t.quantidade02, t.produto03, t.quantidade03,
                                 t.produto04, t.quantidade04, t.produto05, t.quantidade05, t.produto06, t.quantidade06};
        EXPECT_EQ(got, c.fields) << c.what;
    }
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(MetricsTest, RelatorioVendasConcluidasKeepsFieldsOfSwitchedOffParts) {
    // march, sales part: completed sales 188.00; profit of 'F' items 28 + 20 + 6 + 7.50 + 32 - 3 = 90.50;
    //   6 item rows, 24 units; today's completed sales 301 + 302 + 307 = 134.00
    // march, NF-e part: notes '2' 60 + 25 = 85.00; profit 24 + 12 + 7.50 - 0.50 = 43.00;
    //   3 item rows, 11 units; today's NFC-e 'T' 45.25
    struct Step {
        bool vendas, nfe;
        QStringList fields;  // valorVendas, quantidadeVendas, totalDescontos, totalLucros, TicketMedio, QPV
    };
    const Step steps[] = {
        {false, false, {"", "", "", "", "", ""}},
        {false, true, {"85.00", "3", "", "43.00", "45.25", "11"}},
        {true, false, {"188.00", "6", "134.00", "90.50", "0", "24"}},
        {false, true, {"85.00", "3", "134.00", "43.00", "45.25", "11"}},
        {false, false, {"85.00", "3", "134.00", "43.00", "45.25", "11"}},
        {true, true, {"273.00", "9", "134.00", "133.50", "45.25", "35"}},
    };
    int n = 0;
    for (const auto& s : steps) {
        switches(s.vendas, s.nfe);
        unit->RelatorioVendasConcluidas(*qryAux);
        const Vendasconcluidas& v = unit->VConcluidas;
        EXPECT_EQ(QStringList({v.valorVendas, v.quantidadeVendas, v.totalDescontos, v.totalLucros, v.TicketMedio,
                               v.QuantidadeProdutosVendidos}),
                  s.fields)
            << "step " << n;
        ++n;
    }
}

TEST_F(MetricsTest, OtherReports) {
    // cancelled, march: sales 304 (15.00, Cafe 1 x (15 - 8)) and 305 (0.00, Feijao 2 x (6 - 3.50));
    //   only 304 has a total above 0; NF-e 503 (12.00, Sal 3 x (4 - 1))
    struct Canceladas { bool vendas, nfe; QStringList fields; };
    const Canceladas canceladas[] = {
        {true, false, {"15.00", "12.00", "3", "1"}},
        {false, true, {"12.00", "9.00", "3", "1"}},
        {true, true, {"27.00", "21.00", "6", "2"}},
    };
    for (const auto& c : canceladas) {
        unit = std::make_unique<uConsultas>(contextoDe(*form));
        switches(c.vendas, c.nfe);
        unit->RelatorioVendasCanceladas(*qryAux);
        const Vendascanceladas& v = unit->VCanceladas;
        EXPECT_EQ(QStringList({v.valorVendas, v.LurosPerdidos, v.QuantidadeProdutosPerdidos, v.QuantidadeVendasPerdidas}),
                  c.fields)
            << c.vendas << c.nfe;
    }

    // users, march: ana's joined rows 301 x2, 303 x1 (240.00, 18 units) come first; the NF-e
    // statement has bruno only: 501 x2, 502 x1 (145.00, 11 units)
    struct Usuarios { bool vendas, nfe; QStringList fields; };
    const Usuarios usuarios[] = {
        {true, false, {"ana", "240.00", "0", "3", "18"}},
        {false, true, {"bruno", "145.00", "0", "3", "11"}},
        {true, true, {"bruno", "385.00", "0", "6", "29"}},
    };
    for (const auto& c : usuarios) {
        unit = std::make_unique<uConsultas>(contextoDe(*form));
        switches(c.vendas, c.nfe);
        unit->VendaUsuarios(*qryAux);
        const VendasUsuarios& v = unit->VUsuarios;
        EXPECT_EQ(QStringList({v.usuario, v.totalVendas, v.comissoes, v.quantidadeVendas, v.quantidadeProdutos}),
                  c.fields)
            << c.vendas << c.nfe;
    }

    // today: completed sales 134.00 + NF-e 501 60.00; profit of today's items (total - qty x cost):
    //   sales 28 + 20 + 6 + 7.50, NF-e 24 + 12
    switches(true, true);
    unit->RelatorioVendasDiarias(*qryAux);
    unit->RelatorioVendasLucros(*qryAux);
    EXPECT_EQ(unit->vRelDiario.VendasDiarias, "194.00");
    EXPECT_EQ(unit->vRelDiario.LucroDiario, "97.50");
    switches(true, false);
    unit->RelatorioVendasDiarias(*qryAux);
    unit->RelatorioVendasLucros(*qryAux);
    EXPECT_EQ(unit->vRelDiario.VendasDiarias, "134.00");
    EXPECT_EQ(unit->vRelDiario.LucroDiario, "61.50");

    // both switches off: no report touches its record
    switches(true, true);
    unit->RelatorioVendasCanceladas(*qryAux);
    unit->VendaUsuarios(*qryAux);
    unit->RelatorioVendasDiarias(*qryAux);
    unit->RelatorioVendasLucros(*qryAux);
    switches(false, false);
    h.fakes.clock->set(QDateTime(QDate(2025, 6, 10), QTime(12, 0)));  // a month without sales
    unit->RelatorioVendasCanceladas(*qryAux);
    unit->VendaUsuarios(*qryAux);
    unit->RelatorioVendasDiarias(*qryAux);
    unit->RelatorioVendasLucros(*qryAux);
    EXPECT_EQ(unit->VCanceladas.valorVendas, "27.00");
    EXPECT_EQ(unit->VUsuarios.usuario, "bruno");
    EXPECT_EQ(unit->VUsuarios.totalVendas, "385.00");
    EXPECT_EQ(unit->vRelDiario.VendasDiarias, "194.00");
    EXPECT_EQ(unit->vRelDiario.LucroDiario, "97.50");

    // a month without sales, sales part on: zeros, and the empty user of no rows
    switches(true, false);
    unit->VendaUsuarios(*qryAux);
    unit->RelatorioVendasConcluidas(*qryAux);
    const VendasUsuarios& u = unit->VUsuarios;
    EXPECT_EQ(QStringList({u.usuario, u.totalVendas, u.comissoes, u.quantidadeVendas, u.quantidadeProdutos}),
              QStringList({"", "0.00", "0", "0", "0"}));
    const Vendasconcluidas& v = unit->VConcluidas;
    EXPECT_EQ(QStringList({v.valorVendas, v.quantidadeVendas, v.totalLucros, v.QuantidadeProdutosVendidos}),
              QStringList({"0.00", "0", "0.00", "0"}));

    qryAux->close();
    EXPECT_EQ(erp->openTransactionCount(), 0);
}
