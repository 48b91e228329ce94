#include "tests/support/MetricsData.h"

#include <QDate>
#include <QTime>
#include <QVariant>

namespace velorix::testing {

namespace {

QDate d(int m, int day) { return QDate(2025, m, day); }
const QVariant null;

}  // namespace

QDateTime metricsNow() { return QDateTime(QDate(2025, 3, 14), QTime(10, 0)); }

void insertMetricsData(ErpFixture& erp) {
    erp.exec("ALTER TABLE vendas_master ALTER situacao TYPE CHAR(3)");
    erp.exec("ALTER TABLE nfe_master ALTER situacao TYPE CHAR(3)");
    erp.exec("ALTER TABLE nfce_master ALTER situacao TYPE CHAR(3)");
    erp.exec("ALTER TABLE vendas_fpg ALTER tipo TYPE CHAR(3)");

    // ---- people
    erp.insert("usuarios", {{"codigo", 1}, {"login", "ana"}, {"ativo", "S"}});
    erp.insert("usuarios", {{"codigo", 2}, {"login", "bruno"}, {"ativo", "S"}});
    erp.insert("usuarios", {{"codigo", 3}, {"login", "carla"}, {"ativo", "N"}});

    struct Pessoa { int codigo; const char* razao; const char *ativo, *cli, *forn; };
    const Pessoa pessoas[] = {
        {1, "Cliente A", "S", "S", "N"},   {2, "Cliente B", "S", "S", "N"},
        {3, "Cliente C", "N", "S", "N"},   {4, "Fornecedor D", "S", "N", "S"},
        {5, "Cliente e Fornecedor E", "S", "S", "S"},
    };
    for (const auto& p : pessoas)
        erp.insert("pessoa", {{"codigo", p.codigo}, {"razao", p.razao}, {"ativo", p.ativo}, {"cli", p.cli}, {"forn", p.forn}});

    // ---- products: cost, stock, minimum stock
    struct Produto { int codigo; const char* descricao; double custo, atual, minimo; const char *ativo, *rest; };
    const Produto produtos[] = {
        {1, "Arroz", 2.00, 5, 10, "S", "S"},  {2, "Feijao", 3.50, 10, 10, "S", "S"},
        {3, "Cafe", 8.00, 20, 5, "S", "S"},   {4, "Acucar", 1.25, 0, 1, "N", "S"},
        {5, "Leite", 2.10, 1, 2, "S", "N"},   {6, "Sal", 1.00, 50, 5, "S", "S"},
        {7, "Oleo", 6.00, 50, 5, "S", "S"},
    };
    for (const auto& p : produtos)
        erp.insert("produto", {{"codigo", p.codigo}, {"descricao", p.descricao}, {"pr_custo2", p.custo},
                               {"qtd_atual", p.atual}, {"qtd_min", p.minimo}, {"ativo", p.ativo}, {"restautante", p.rest}});

    // serial items written off (1 March .. 31 May counts 2, 3, 4)
    const QVariant baixas[] = {d(2, 28), d(3, 1), d(4, 15), d(5, 31), d(6, 1), null};
    int serial = 0;
    for (const auto& b : baixas) {
        ++serial;
        erp.insert("produto_serial", {{"codigo", serial}, {"id_produto", 3}, {"numero_serie", QString("SN%1").arg(serial)},
                                      {"quantidade", 1}, {"situacao", "B"}, {"data_baixa", b}});
    }

    // ---- sales: codigo, date, situation, total, batch, register, user
    struct Venda { int codigo; QDate data; const char* situacao; double total; QVariant lote, caixa; int usuario; };
    const Venda vendas[] = {
        {101, d(1, 20), "F", 122.30, 1, 3, 1},   {102, d(1, 31), "F", 10.00, 1, 3, 1},
        {201, d(2, 1), "F", 50.00, 2, 3, 2},     {202, d(2, 28), "C", 20.00, 2, 3, 2},
        {203, d(2, 12), "O'X", 8.00, 2, 3, 2},
        {301, d(3, 14), "F", 100.00, 10, 1, 1},  {302, d(3, 14), "F", 28.00, 20, 2, 2},
        {303, d(3, 2), "F", 40.00, 9, 3, 1},     {304, d(3, 13), "C", 15.00, 10, 1, 1},
        {305, d(3, 10), "C", 0.00, 9, 3, 1},     {306, d(3, 31), "F", 5.00, null, null, 2},
        {307, d(3, 14), "F", 6.00, 20, 2, 1},    {308, d(3, 13), "F", 9.00, 20, 2, 2},
        {401, d(4, 1), "F", 999.00, null, null, 1},
    };
    for (const auto& v : vendas)
        erp.insert("vendas_master", {{"codigo", v.codigo}, {"data_emissao", v.data}, {"hora", QTime(9, 0)},
                                     {"situacao", v.situacao}, {"total", v.total}, {"flag_nfce", "N"},
                                     {"lote", v.lote}, {"fk_caixa", v.caixa}, {"fk_usuario", v.usuario}});

    // items: sale, product, quantity, price, discount, total, situation
    auto item = [&erp](int venda, int produto, double qtd, double preco, double desconto, double total,
                       const char* situacao) {
        erp.insert("vendas_detalhe", {{"fkvenda", venda}, {"id_produto", produto}, {"qtd", qtd}, {"preco", preco},
                                      {"vdesconto", desconto}, {"total", total}, {"pr_custo", 0}, {"situacao", situacao}});
    };
    // Sale 101: product k sold in (8 - k) items of one unit each at cost + 1.00.
    for (const auto& p : produtos)
        for (int n = 0; n < 8 - p.codigo; ++n) item(101, p.codigo, 1, p.custo + 1.00, 0, p.custo + 1.00, "F");
    item(201, 6, 2, 25.00, 0, 50.00, "F");
    item(301, 1, 10, 5.00, 2.00, 48.00, "F");
    item(301, 3, 4, 13.00, 0, 52.00, "F");
    item(301, 2, 1, 7.00, 0, 7.00, "C");
    item(302, 1, 2, 5.00, 0, 10.00, "F");
    item(302, 2, 3, 6.00, 0, 18.00, "F");
    item(303, 1, 4, 10.00, 0, 40.00, "F");
    item(304, 3, 1, 15.00, 0, 15.00, "C");
    item(305, 2, 2, 6.00, 0, 12.00, "C");
    item(306, 3, 1, 5.00, 0, 5.00, "F");

    // payments: codigo, sale, type, situation, amount (valor), total
    struct Pagamento { int codigo, venda; const char *tipo, *situacao; double valor, total; };
    const Pagamento pagamentos[] = {
        {1, 301, "D", "F", 30.00, 35.00}, {2, 301, "C", "F", 20.00, 20.00}, {3, 301, "E", "F", 10.00, 10.00},
        {4, 301, "Q", "F", 5.00, 5.00},   {5, 301, "V", "F", 4.00, 4.00},   {6, 301, "R", "F", 3.00, 3.00},
        {7, 301, "O", "F", 2.00, 2.00},   {8, 301, "I", "F", 25.00, 25.00}, {9, 301, "T", "F", 1.00, 1.00},
        {10, 301, "D", "C", 7.00, 7.00},  {11, 301, "D", "F", 0.00, 2.00},
        {12, 302, "D", "F", 10.00, 10.00}, {13, 302, "E", "F", 8.00, 8.00}, {14, 302, "I", "F", 5.00, 5.00},
        {15, 302, "T", "F", 5.00, 5.00},
        {16, 303, "D", "F", 40.00, 40.00}, {17, 307, "D", "F", 6.00, 6.00}, {18, 308, "D", "F", 9.00, 9.00},
        {19, 301, "O'X", "F", 1.50, 1.50},
    };
    for (const auto& p : pagamentos)
        erp.insert("vendas_fpg", {{"codigo", p.codigo}, {"vendas_master", p.venda}, {"id_forma", 1}, {"tipo", p.tipo},
                                  {"situacao", p.situacao}, {"valor", p.valor}, {"total", p.total}});

    // ---- NF-e: codigo, situation, total, date, user
    struct Nfe { int codigo; const char* situacao; double total; QDate data; int usuario; };
    const Nfe nfes[] = {
        {501, "2", 60.00, d(3, 14), 2}, {502, "2", 25.00, d(3, 5), 2},   {503, "3", 12.00, d(3, 20), 1},
        {504, "2", 70.00, d(1, 15), 1}, {505, "T", 0.90, d(1, 31), 1},   {506, "O'X", 4.00, d(2, 11), 1},
        {507, "F", 7.50, d(2, 15), 1},  {508, "C", 10.00, d(3, 8), 1},   {509, "T", 100.10, d(4, 30), 1},
    };
    for (const auto& n : nfes)
        erp.insert("nfe_master", {{"codigo", n.codigo}, {"numero", n.codigo}, {"nome", "Cliente A"}, {"situacao", n.situacao},
                                  {"total", n.total}, {"data_emissao", n.data}, {"fk_usuario", n.usuario}, {"importou", "N"}});
    auto nfeItem = [&erp](int nfe, int produto, double qtd, double preco, double desconto, double total) {
        erp.insert("nfe_detalhe", {{"fknfe", nfe}, {"id_produto", produto}, {"qtd", qtd}, {"preco", preco},
                                   {"desconto", desconto}, {"total", total}});
    };
    nfeItem(501, 3, 2, 20.00, 0, 40.00);
    nfeItem(501, 1, 4, 5.00, 0, 20.00);
    nfeItem(502, 2, 5, 5.00, 0.50, 24.50);
    nfeItem(503, 6, 3, 4.00, 0, 12.00);

    // ---- NFC-e: situation, total, date
    struct Nfce { const char* situacao; double total; QDate data; };
    const Nfce nfces[] = {
        {"T", 45.25, d(3, 14)}, {"C", 9.99, d(3, 14)}, {"T", 100.10, d(3, 3)}, {"T", 11.11, d(1, 31)},
        {"T", 22.22, d(2, 1)},  {"O", 5.00, d(3, 7)},  {"O'X", 3.00, d(2, 10)},
    };
    for (const auto& n : nfces)
        erp.insert("nfce_master", {{"situacao", n.situacao}, {"total", n.total}, {"data_emissao", n.data}});

    // ---- cash book
    struct Caixa { QDate emissao; double entrada, saida; };
    const Caixa caixa[] = {
        {d(1, 10), 100.00, 0}, {d(1, 31), 0, 350.00}, {d(3, 1), 200.00, 50.00},
        {d(3, 14), 80.00, 30.00}, {d(3, 31), 10.00, 0}, {d(4, 1), 1.00, 1.00},
    };
    for (const auto& c : caixa) erp.insert("caixa", {{"emissao", c.emissao}, {"entrada", c.entrada}, {"saida", c.saida}});

    // ---- receivables: codigo, due, face value, received on, amount received
    struct Receber { int codigo; QDate vencimento; double valor; QVariant recebimento, recebido; };
    const Receber receber[] = {
        {1, d(3, 10), 100.00, null, null},        {2, d(3, 12), 50.00, d(3, 12), 50.00},
        {3, d(3, 14), 30.00, null, null},         {4, d(3, 20), 40.00, d(3, 14), 0.00},
        {5, d(3, 31), 25.50, d(3, 13), 20.00},    {6, d(2, 15), 70.00, null, null},
        {7, d(4, 1), 60.00, null, null},          {8, d(1, 31), 10.00, d(2, 1), 12.00},
    };
    for (const auto& r : receber)
        erp.insert("creceber", {{"codigo", r.codigo}, {"fkcliente", 1}, {"id_vendedor", 1}, {"doc", QString("R%1").arg(r.codigo)},
                                {"historico", "Venda a prazo"}, {"dtvencimento", r.vencimento}, {"valor", r.valor},
                                {"data_recebimento", r.recebimento}, {"vrecebido", r.recebido},
                                {"situacao", r.recebimento.isNull() ? "A" : "Q"}});

    // ---- payables: codigo, due, face value, paid on
    struct Pagar { int codigo; QDate vencimento; double valor; QVariant pagamento; };
    const Pagar pagar[] = {
        {1, d(3, 5), 200.00, null}, {2, d(3, 10), 80.00, d(3, 10)}, {3, d(3, 14), 45.00, null},
        {4, d(3, 28), 33.33, null}, {5, d(2, 20), 90.00, null},     {6, d(2, 25), 15.00, d(2, 25)},
    };
    for (const auto& p : pagar)
        erp.insert("cpagar", {{"codigo", p.codigo}, {"fkfornece", 4}, {"doc", QString("P%1").arg(p.codigo)},
                              {"historico", "Compra"}, {"dtvencimento", p.vencimento}, {"valor", p.valor},
                              {"data_pagamento", p.pagamento}, {"situacao", p.pagamento.isNull() ? "A" : "Q"}});

    // ---- cash registers: 1 and 2 open; 3 closed; 4 is not a cash register
    struct Conta { int codigo; const char* descricao; QDate abertura; int usuario, lote; const char *tipo, *situacao; };
    const Conta contas[] = {
        {1, "CAIXA 01", d(3, 14), 1, 10, "S", "A"}, {2, "CAIXA 02", d(3, 13), 2, 20, "S", "A"},
        {3, "CAIXA 03", d(3, 2), 1, 9, "S", "F"},   {4, "BANCO", d(1, 1), 2, 30, "B", "A"},
    };
    for (const auto& c : contas)
        erp.insert("contas", {{"codigo", c.codigo}, {"descricao", c.descricao}, {"data_abertura", c.abertura},
                              {"id_usuario", c.usuario}, {"lote", c.lote}, {"tipo", c.tipo}, {"situacao", c.situacao}});

    // movements: batch, user, time, history, in, out (register 2 has no opening movement)
    struct Movimento { int lote, usuario; QTime hora; const char* historico; double entrada, saida; };
    const Movimento movimentos[] = {
        {10, 1, QTime(8, 5, 30), "ABERTURA DE CAIXA", 150.00, 0}, {10, 1, QTime(10, 0), "VENDA", 100.00, 0},
        {10, 1, QTime(11, 0), "SANGRIA", 0, 20.00},               {10, 2, QTime(9, 0), "SUPRIMENTO", 500.00, 0},
        {20, 2, QTime(9, 15), "VENDA", 28.00, 0},                 {20, 2, QTime(9, 30), "SANGRIA", 0, 30.00},
    };
    for (const auto& m : movimentos)
        erp.insert("contas_movimento", {{"lote", m.lote}, {"id_usuario", m.usuario}, {"hora", m.hora},
                                        {"historico", m.historico}, {"entrada", m.entrada}, {"saida", m.saida}});
}

}  // namespace velorix::testing
