#pragma once
// uConsultas: the ERP figures of the summary document, all handed back as text.
//
// Every function runs fixed statements through the query object `Qry` its caller passes (the
// window's qryAux when the document is built), reads the first row and either returns one text
// or fills one of the six records of the unit. A record keeps the fields a call does not reach,
// so with a switch off a report leaves the previous call's text in place. Nothing here catches
// errors: a DbError (the database's message) ends the function where it happened, and fields
// written before that keep their new text.
//
// The unit is an object (uConsultas) so the records and what the functions consult live in one
// place; the window owns one for the whole run. The switches, the clock and the regional
// settings are read through ConsultasContexto at the moment of each call.
//
//   periods        periodoMes, periodoMesAtual, periodoHoje, periodoHojeDiaInteiro,
//                  periodoMesAtualEDoisSeguintes
//   text forms     naoVazio, ReplaceVirgulaPonto, textoValor (amount), textoTotal, textoInteiro
//   monthly series NFsTotalMes, VendasTotalMes, CXSaldoMes, CXEntradaMes, CXSaidaMes,
//                  TotalCReceber, TotalCRecebidas, TotalCPagar, TotalCPagarPendentes,
//                  LucrosPresumidosGanhos                                   -> total text
//   current state  VendasFPGTotalMes, CXValorAtual, TotalCReceberAtual, TotalCPagarAtual
//                                                                            -> total text
//                  QtdCadastros                                             -> integer text
//   reports        topProdutos -> TProdutos, RelatorioVendasConcluidas -> VConcluidas,
//                  RelatorioVendasCanceladas -> VCanceladas, VendaUsuarios -> VUsuarios,
//                  RelatorioVendasDiarias, RelatorioVendasLucros -> vRelDiario
//   cash registers CXAbertos -> CXAberto, ListaCaixasAbertos -> items text (no brackets)

#include "metrics/ErpQuery.h"
#include "platform/Platform.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

namespace velorix {

class TForm1;

// The months of the current year; ordinal n is calendar month n + 1.
enum TMes {
    tmjaneiro,
    tmfeveiro,
    tmmarco,
    tmabril,
    tmmaio,
    tmjunho,
    tmjulho,
    tmagosto,
    tmsetembro,
    tmoutubro,
    tmnovembro,
    tmdezembro
};

// ---- periods: computed from the present moment at each call; bound to statements as dates.

struct Periodo {
    QDateTime inicio;
    QDateTime fim;
};

// Day 1 of month `Mes` of the year of `agora`, 00:00 .. its last day, 23:59:59.999.
Periodo periodoMes(TMes Mes, const QDateTime& agora);
Periodo periodoMesAtual(const QDateTime& agora);
// Today 00:00 .. today 00:00.
Periodo periodoHoje(const QDateTime& agora);
// Today 00:00 .. today 23:59:59.999.
Periodo periodoHojeDiaInteiro(const QDateTime& agora);
// Day 1 of this month .. the last day of the second month after it (in November: 31 January).
Periodo periodoMesAtualEDoisSeguintes(const QDateTime& agora);

// ---- text forms

// "0" for the empty text and for "0"; anything else unchanged.
QString naoVazio(const QString& valor);
// Every "," replaced by ".".
QString ReplaceVirgulaPonto(const QString& Str);
// Amount text: two decimals with a decimal point, no thousands separator. The value is first
// written with 15 significant digits and that decimal text is rounded, a 5 in the third decimal
// going away from zero (1.005 -> 1.01, -2.345 -> -2.35). `decimal` is the regional decimal mark
// the intermediate texts use; the result always carries a point.
QString textoValor(double valor, QChar decimal = QLatin1Char(','));
// Total text: "0" for exactly 0, otherwise the amount text.
QString textoTotal(double valor, QChar decimal = QLatin1Char(','));
// Decimal integer text: 0, 17, -3.
QString textoInteiro(qint64 valor);

// A code written as an SQL string literal: in single quotes, inner quotes doubled.
QString literalSql(const QString& codigo);

// ---- the unit's records (all texts, empty at start)

struct caixasAbertos {
    QString usuario, horaAbertura, dataAbertura, saldoInicial, saldoAtual, Entradas, saidas, dinheiro,
        credito, debito, cheque, convenio, vRefeicao, vpix, vCombustivel;
};

struct TopsProdutos {
    QString produto01, quantidade01, produto02, quantidade02, produto03, quantidade03, produto04,
        quantidade04, produto05, quantidade05, produto06, quantidade06;
};

struct Vendasconcluidas {
    QString valorVendas, quantidadeVendas, totalDescontos, totalLucros, TicketMedio,
        QuantidadeProdutosVendidos;
};

struct Vendascanceladas {
    QString valorVendas, LurosPerdidos, QuantidadeProdutosPerdidos, QuantidadeVendasPerdidas;
};

struct VendasUsuarios {
    QString usuario, totalVendas, comissoes, quantidadeVendas, quantidadeProdutos;
};

struct RelDiario {
    QString VendasDiarias, LucroDiario;
};

// The separator between list items.
inline const QString sVirgula = QStringLiteral(",");

// What the functions read at the moment of a call.
struct ConsultasContexto {
    // The window's check boxes: "Sincronizar Vendas", "Sincronizar NFe", "Qualidade".
    std::function<bool()> chkSincVendas;
    std::function<bool()> chkSincNFe;
    std::function<bool()> chkQualidade;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Regional> regional;  // decimal mark, date and time separators
    // The ERP connection (ListaCaixasAbertos makes its own query objects on it).
    std::function<QSqlDatabase()> Conexao;
};

// Reads everything from the window: its check boxes, its platform's clock and regional
// settings, its ERP connection.
ConsultasContexto contextoDe(TForm1& form);

class uConsultas {
public:
    explicit uConsultas(ConsultasContexto contexto);

    ConsultasContexto& contexto() { return ctx_; }

    // ---- monthly series (month `Mes` of the current year)
    QString NFsTotalMes(ErpQuery& Qry, TMes Mes, const QString& Situacao);
    // The empty text when both sales switches are off.
    QString VendasTotalMes(ErpQuery& Qry, TMes Mes, const QString& Situacao);
    QString CXSaldoMes(ErpQuery& Qry, TMes Mes);
    QString CXEntradaMes(ErpQuery& Qry, TMes Mes);
    QString CXSaidaMes(ErpQuery& Qry, TMes Mes);
    QString TotalCReceber(ErpQuery& Qry, TMes Mes);
    QString TotalCRecebidas(ErpQuery& Qry, TMes Mes);
    QString TotalCPagar(ErpQuery& Qry, TMes Mes);
    QString TotalCPagarPendentes(ErpQuery& Qry, TMes Mes);
    QString LucrosPresumidosGanhos(ErpQuery& Qry, TMes Mes);

    // ---- current state and counts
    // Today's payments of type `Tipo` ("D", "C", "E", "I", "T"...).
    QString VendasFPGTotalMes(ErpQuery& Qry, const QString& Tipo);
    // "SALDO", "ENTRADA", "SAIDA" of this month's cash book; any other code gives "0" and leaves
    // `Qry` untouched.
    QString CXValorAtual(ErpQuery& Qry, const QString& Tipo);
    // "P", "C", "U", "F"; another code raises DbError.
    QString QtdCadastros(ErpQuery& Qry, const QString& Tipo);
    // "VENCIDAS", "PENDENTES", "PAGAS"; another code raises DbError.
    QString TotalCReceberAtual(ErpQuery& Qry, const QString& Tipo);
    QString TotalCPagarAtual(ErpQuery& Qry, const QString& Tipo);

    // ---- reports (fill their records)
    void topProdutos(ErpQuery& Qry);
    void RelatorioVendasConcluidas(ErpQuery& Qry);
    void RelatorioVendasCanceladas(ErpQuery& Qry);
    void VendaUsuarios(ErpQuery& Qry);
    void RelatorioVendasDiarias(ErpQuery& Qry);
    void RelatorioVendasLucros(ErpQuery& Qry);

    // ---- open cash registers
    // Reads the first row for cash register `CodContas` (every register when 0 or less).
    void CXAbertos(ErpQuery& Qry, int CodContas);
    // Every open cash register as JSON items joined by sVirgula, without brackets.
    QString ListaCaixasAbertos();

    // ---- the unit's records
    caixasAbertos CXAberto;
    TopsProdutos TProdutos;
    Vendasconcluidas VConcluidas;
    Vendascanceladas VCanceladas;
    VendasUsuarios VUsuarios;
    RelDiario vRelDiario;

private:
    bool vendas() const;
    bool nfe() const;
    bool qualidade() const;
    QDateTime agora() const;
    QChar decimal() const;
    RegionalSettings regional() const;
    QString valor(double v) const { return textoValor(v, decimal()); }
    QString total(double v) const { return textoTotal(v, decimal()); }
    // Close, set the text, bind the period as two dates, open.
    void abre(ErpQuery& Qry, const QString& sql, const Periodo& p);
    // The same, then field 0 as a number.
    double valorUnico(ErpQuery& Qry, const QString& sql, const Periodo& p);

    ConsultasContexto ctx_;
};

}  // namespace velorix
