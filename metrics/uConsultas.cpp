#include "metrics/uConsultas.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace velorix {

// ---- periods

namespace {

QDateTime inicioDoDia(const QDate& d) { return QDateTime(d, QTime(0, 0)); }
QDateTime fimDoDia(const QDate& d) { return QDateTime(d, QTime(23, 59, 59, 999)); }
QDate ultimoDia(const QDate& d) { return QDate(d.year(), d.month(), d.daysInMonth()); }

}  // namespace

Periodo periodoMes(TMes Mes, const QDateTime& agora) {
    const int ordinal = int(Mes);
    if (ordinal < tmjaneiro || ordinal > tmdezembro) throw std::out_of_range("TMes out of range");
    const QDate primeiro(agora.date().year(), ordinal + 1, 1);
    return {inicioDoDia(primeiro), fimDoDia(ultimoDia(primeiro))};
}

Periodo periodoMesAtual(const QDateTime& agora) {
    const QDate hoje = agora.date();
    const QDate primeiro(hoje.year(), hoje.month(), 1);
    return {inicioDoDia(primeiro), fimDoDia(ultimoDia(primeiro))};
}

Periodo periodoHoje(const QDateTime& agora) {
    const QDateTime d = inicioDoDia(agora.date());
    return {d, d};
}

Periodo periodoHojeDiaInteiro(const QDateTime& agora) {
    return {inicioDoDia(agora.date()), fimDoDia(agora.date())};
}

Periodo periodoMesAtualEDoisSeguintes(const QDateTime& agora) {
    const QDate hoje = agora.date();
    const QDate primeiro(hoje.year(), hoje.month(), 1);
    return {inicioDoDia(primeiro), fimDoDia(ultimoDia(primeiro.addMonths(2)))};
}

// ---- text forms

QString naoVazio(const QString& valor) {
    if (valor.isEmpty() || valor == QLatin1String("0")) return QStringLiteral("0");
    return valor;
}

QString ReplaceVirgulaPonto(const QString& Str) {
    QString s = Str;
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    return s;
}

QString textoValor(double valor, QChar decimal) {
    // The value's 15 significant digits are the decimal text the old runtime wrote; rounding
    // that text (not the binary double) is what makes 1.005 give 1.01.
    if (!std::isfinite(valor)) valor = 0;
    const bool negativo = valor < 0;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(valor));  // d.dddddddddddddde±x
    std::string digitos(1, buf[0]);
    digitos.append(buf + 2, 14);
    const int expoente = std::atoi(std::strchr(buf, 'e') + 1);

    // Split at the decimal point, which falls after (expoente + 1) digits.
    const int ponto = expoente + 1;
    std::string inteiros, decimais;
    if (ponto <= 0) {
        inteiros = "0";
        decimais = std::string(size_t(-ponto), '0') + digitos;
    } else if (ponto >= int(digitos.size())) {
        inteiros = digitos + std::string(size_t(ponto) - digitos.size(), '0');
    } else {
        inteiros = digitos.substr(0, size_t(ponto));
        decimais = digitos.substr(size_t(ponto));
    }
    if (decimais.size() < 3) decimais.resize(3, '0');

    // Keep two decimals; a third decimal of 5 or more goes away from zero.
    std::string mantidos = inteiros + decimais.substr(0, 2);
    if (decimais[2] >= '5') {
        int i = int(mantidos.size()) - 1;
        for (; i >= 0; --i) {
            if (mantidos[size_t(i)] == '9') {
                mantidos[size_t(i)] = '0';
            } else {
                ++mantidos[size_t(i)];
                break;
            }
        }
        if (i < 0) mantidos.insert(mantidos.begin(), '1');
    }
    std::string parteInteira = mantidos.substr(0, mantidos.size() - 2);
    const std::string centavos = mantidos.substr(mantidos.size() - 2);
    const size_t nz = parteInteira.find_first_not_of('0');
    parteInteira = nz == std::string::npos ? "0" : parteInteira.substr(nz);
    const bool zero = parteInteira == "0" && centavos == "00";

    QString texto = QString::fromLatin1(parteInteira.c_str()) + decimal + QString::fromLatin1(centavos.c_str());
    if (negativo && !zero) texto.prepend(QLatin1Char('-'));
    return ReplaceVirgulaPonto(texto);
}

QString textoTotal(double valor, QChar decimal) {
    if (valor == 0) return QStringLiteral("0");
    return textoValor(valor, decimal);
}

QString textoInteiro(qint64 valor) { return QString::number(valor); }

QString literalSql(const QString& codigo) {
    QString s = codigo;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

// ---- the unit

uConsultas::uConsultas(ConsultasContexto contexto) : ctx_(std::move(contexto)) {}

bool uConsultas::vendas() const { return ctx_.chkSincVendas && ctx_.chkSincVendas(); }
bool uConsultas::nfe() const { return ctx_.chkSincNFe && ctx_.chkSincNFe(); }
bool uConsultas::qualidade() const { return ctx_.chkQualidade && ctx_.chkQualidade(); }

QDateTime uConsultas::agora() const { return ctx_.clock ? ctx_.clock->now() : QDateTime::currentDateTime(); }

RegionalSettings uConsultas::regional() const { return ctx_.regional ? ctx_.regional->settings() : RegionalSettings{}; }

QChar uConsultas::decimal() const { return regional().decimalSeparator; }

void uConsultas::abre(ErpQuery& Qry, const QString& sql, const Periodo& p) {
    Qry.close();
    Qry.clearSql();
    Qry.setSql(sql);
    if (Qry.paramCount() > 0) Qry.setParamDate(0, p.inicio.date());
    if (Qry.paramCount() > 1) Qry.setParamDate(1, p.fim.date());
    Qry.open();
}

double uConsultas::valorUnico(ErpQuery& Qry, const QString& sql, const Periodo& p) {
    abre(Qry, sql, p);
    return Qry.fields(0).asFloat();
}

// ---- monthly series

QString uConsultas::NFsTotalMes(ErpQuery& Qry, TMes Mes, const QString& Situacao) {
    const Periodo p = periodoMes(Mes, agora());
    double soma = valorUnico(Qry,
                             "select coalesce(sum(nm.total), 0) total from nfce_master nm where (nm.situacao=" +
                                 literalSql(Situacao) + ") and " + "(nm.data_emissao between :dt1 and :dt2) ",
                             p);
    soma += valorUnico(Qry,
                       "select coalesce(sum(nm.total), 0) total from nfe_master nm where (nm.situacao=" +
                           literalSql(Situacao) + ") and " + "(nm.data_emissao between :dt1 and :dt2) ",
                       p);
    return total(soma);
}

QString uConsultas::VendasTotalMes(ErpQuery& Qry, TMes Mes, const QString& Situacao) {
    const Periodo p = periodoMes(Mes, agora());
    double r = 0;
    QString resultado;
    if (vendas()) {
        r = valorUnico(Qry,
                       "select coalesce(sum(vm.total), 0) total from vendas_master vm where  (vm.situacao=" +
                           literalSql(Situacao) + ") and" + "(vm.data_emissao between :dt1 and :dt2) ",
                       p);
        resultado = total(r);
    }
    if (nfe()) {
        const double v = valorUnico(Qry,
                                    "select coalesce(sum(nm.total), 0) total from nfe_master nm where (nm.situacao=" +
                                        literalSql(Situacao) + ") and " + "(nm.data_emissao between :dt1 and :dt2) ",
                                    p);
        resultado = total(v + r);
    }
    return resultado;
}

QString uConsultas::CXSaldoMes(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select (coalesce(sum(cx.entrada), 0) - coalesce(sum(cx.saida), 0)) saldo from caixa cx "
                            "where (cx.emissao between :dt1 and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::CXEntradaMes(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(cx.entrada), 0) entrada from caixa cx where (cx.emissao between :dt1 "
                            "and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::CXSaidaMes(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(cx.saida), 0) entrada from caixa cx where (cx.emissao between :dt1 "
                            "and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::TotalCReceber(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(cr.valor), 0) total from creceber cr where (cr.data_recebimento is "
                            "null) and (cr.dtvencimento between :dt1 and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::TotalCRecebidas(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(cr.vrecebido), 0) total from creceber cr where not "
                            "(cr.data_recebimento is null) and (cr.dtvencimento between :dt1 and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::TotalCPagar(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(cp.valor), 0) total from cpagar cp where not (cp.data_pagamento is "
                            "null) and (cp.dtvencimento between :dt1 and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::TotalCPagarPendentes(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(cp.valor), 0) total from cpagar cp where (cp.data_pagamento is null) "
                            "and (cp.dtvencimento between :dt1 and :dt2) ",
                            periodoMes(Mes, agora())));
}

QString uConsultas::LucrosPresumidosGanhos(ErpQuery& Qry, TMes Mes) {
    return total(valorUnico(Qry,
                            "select coalesce(sum((vd.qtd*(vd.preco-p.pr_custo2))-vd.vdesconto), 0) TotalLucro from "
                            "vendas_detalhe vd inner join produto p on vd.id_produto=p.codigo inner join vendas_master "
                            "vm on vd.fkvenda=vm.codigo where (vd.situacao='F') and (vm.situacao='F') and "
                            "(vm.data_emissao between :dt1 and :dt2) ",
                            periodoMes(Mes, agora())));
}

// ---- current state and counts

QString uConsultas::VendasFPGTotalMes(ErpQuery& Qry, const QString& Tipo) {
    return total(valorUnico(Qry,
                            "select coalesce(sum(fpg.total), 0) total from vendas_fpg fpg inner join vendas_master vm "
                            "on fpg.vendas_master=vm.codigo where    (fpg.situacao='F') and  (fpg.valor <> 0) and "
                            "(fpg.tipo=" +
                                literalSql(Tipo) + ") and (vm.data_emissao between :dt1 and :dt2) ",
                            periodoHoje(agora())));
}

QString uConsultas::CXValorAtual(ErpQuery& Qry, const QString& Tipo) {
    QString sql;
    if (Tipo == QLatin1String("SALDO")) {
        sql = "select (coalesce(sum(cx.entrada), 0) - coalesce(sum(cx.saida), 0)) saldo from caixa cx where "
              "(cx.emissao between :dt1 and :dt2) ";
    } else if (Tipo == QLatin1String("SAIDA")) {
        sql = "select coalesce(sum(cx.saida), 0) saida from caixa cx where (cx.emissao between :dt1 and :dt2) ";
    } else if (Tipo == QLatin1String("ENTRADA")) {
        sql = "select coalesce(sum(cx.entrada), 0) entrada from caixa cx where (cx.emissao between :dt1 and :dt2) ";
    } else {
        // No caller passes another code; reading whatever Qry held before would be a figure of
        // some other statement.
        return QStringLiteral("0");
    }
    return total(valorUnico(Qry, sql, periodoMesAtual(agora())));
}

QString uConsultas::QtdCadastros(ErpQuery& Qry, const QString& Tipo) {
    const Periodo p = periodoMesAtualEDoisSeguintes(agora());
    Qry.close();
    Qry.clearSql();
    if (Tipo == QLatin1String("P") && qualidade()) {
        Qry.setSql("SELECT COUNT(*) qtd FROM produto_serial WHERE DATA_BAIXA >= :dt1 AND DATA_BAIXA <= :dt2");
        Qry.setParamDate(0, p.inicio.date());
        Qry.setParamDate(1, p.fim.date());
    } else if (Tipo == QLatin1String("P")) {
        Qry.setSql("select count(*) qtd from produto where ativo='S' AND restautante = 'S' and QTD_ATUAL <=  QTD_MIN");
    } else if (Tipo == QLatin1String("C")) {
        Qry.setSql("select count(*) qtd from pessoa where ativo='S' and cli='S'");
    } else if (Tipo == QLatin1String("U")) {
        Qry.setSql("select count(*) qtd from usuarios where ativo='S'");
    } else if (Tipo == QLatin1String("F")) {
        Qry.setSql("select count(*) qtd from pessoa where ativo='S' and forn='S'");
    }
    // An unknown code leaves the text empty and open() reports it.
    Qry.open();
    return textoInteiro(Qry.fields(0).asInteger());
}

QString uConsultas::TotalCReceberAtual(ErpQuery& Qry, const QString& Tipo) {
    const QDateTime t = agora();
    Qry.close();
    Qry.clearSql();
    Periodo p;
    if (Tipo == QLatin1String("VENCIDAS")) {
        Qry.setSql("select coalesce(sum(cr.valor), 0) total from creceber cr where (cr.dtvencimento < :dt1)");
        p = periodoHoje(t);
    } else if (Tipo == QLatin1String("PENDENTES")) {
        Qry.setSql("select coalesce(sum(cr.valor), 0) total from creceber cr where (cr.dtvencimento between :dt1 and "
                   ":dt2) and (cr.data_recebimento is null)");
        p = periodoMesAtual(t);
    } else if (Tipo == QLatin1String("PAGAS")) {
        Qry.setSql("select coalesce(sum(cr.valor), 0) total from creceber cr where not (cr.data_recebimento is null ) "
                   "and (cr.vrecebido > 0) and (cr.dtvencimento between :dt1 and :dt2) ");
        p = periodoMesAtual(t);
    }
    if (Qry.paramCount() > 0) Qry.setParamDate(0, p.inicio.date());
    if (Qry.paramCount() > 1) Qry.setParamDate(1, p.fim.date());
    Qry.open();
    return total(Qry.fields(0).asFloat());
}

QString uConsultas::TotalCPagarAtual(ErpQuery& Qry, const QString& Tipo) {
    const QDateTime t = agora();
    Qry.close();
    Qry.clearSql();
    Periodo p;
    if (Tipo == QLatin1String("VENCIDAS")) {
        Qry.setSql("select coalesce(sum(cp.valor), 0) total from cpagar cp where (cp.data_pagamento is null) and "
                   "(cp.dtvencimento < :dt1) ");
        p = periodoHoje(t);
    } else if (Tipo == QLatin1String("PENDENTES")) {
        Qry.setSql("select coalesce(sum(cp.valor), 0) total from cpagar cp where (cp.data_pagamento is null) and "
                   "(cp.dtvencimento between :dt1 and :dt2) ");
        p = periodoMesAtual(t);
    } else if (Tipo == QLatin1String("PAGAS")) {
        Qry.setSql("select coalesce(sum(cp.valor), 0) total from cpagar cp where not (cp.data_pagamento is null) and "
                   "(cp.dtvencimento between :dt1 and :dt2) ");
        p = periodoMesAtual(t);
    }
    if (Qry.paramCount() > 0) Qry.setParamDate(0, p.inicio.date());
    if (Qry.paramCount() > 1) Qry.setParamDate(1, p.fim.date());
    Qry.open();
    return total(Qry.fields(0).asFloat());
}

// ---- reports

void uConsultas::topProdutos(ErpQuery& Qry) {
    abre(Qry,
         "select first 6 count(vd.qtd) qtd, p.descricao from vendas_detalhe vd inner join vendas_master vm on "
         "vd.fkvenda=vm.codigo inner join produto p on vd.id_produto=p.codigo where (vm.situacao='F') and "
         "(vd.situacao='F') and (vm.data_emissao between :dt1 and :dt2) group by 2 order by 1 desc ",
         periodoMesAtual(agora()));
    // Ranks past the last row repeat it (next() stays there); no rows leave every field empty.
    QString* const campos[6][2] = {
        {&TProdutos.produto01, &TProdutos.quantidade01}, {&TProdutos.produto02, &TProdutos.quantidade02},
        {&TProdutos.produto03, &TProdutos.quantidade03}, {&TProdutos.produto04, &TProdutos.quantidade04},
        {&TProdutos.produto05, &TProdutos.quantidade05}, {&TProdutos.produto06, &TProdutos.quantidade06},
    };
    for (int rank = 0; rank < 6; ++rank) {
        *campos[rank][0] = Qry.fieldByName("descricao").asString();
        *campos[rank][1] = Qry.fieldByName("qtd").asString();
        if (rank < 5) Qry.next();
    }
}

void uConsultas::RelatorioVendasConcluidas(ErpQuery& Qry) {
    const QDateTime t = agora();
    const Periodo mes = periodoMesAtual(t);
    const Periodo hoje = periodoHojeDiaInteiro(t);

    double r = 0;
    if (vendas()) {
        abre(Qry,
             "select coalesce(sum(vm.total), 0) ValorVendas from vendas_master vm where (vm.data_emissao between :dt1 "
             "and :dt2) and (vm.situacao='F')  ",
             mes);
        r = Qry.fieldByName("ValorVendas").asFloat();
        VConcluidas.valorVendas = valor(r);
    }
    if (nfe()) {
        abre(Qry,
             "select coalesce(sum(nm.total), 0) ValorVendas from nfe_master nm where (nm.data_emissao between :dt1 and "
             ":dt2) and (nm.situacao='2') ",
             mes);
        VConcluidas.valorVendas = valor(Qry.fieldByName("ValorVendas").asFloat() + r);
    }

    r = 0;
    if (vendas()) {
        abre(Qry,
             "select coalesce(sum((vd.qtd*(vd.preco-p.pr_custo2))-vd.vdesconto), 0) TotalLucro from vendas_detalhe vd "
             "inner join produto p on vd.id_produto=p.codigo inner join vendas_master vm on vd.fkvenda=vm.codigo where "
             "(vd.situacao='F') and (vm.situacao='F') and (vm.data_emissao between :dt1 and :dt2) ",
             mes);
        r = Qry.fieldByName("TotalLucro").asFloat();
        VConcluidas.totalLucros = valor(r);
    }
    if (nfe()) {
        abre(Qry,
             "select coalesce(sum((nd.qtd*(nd.preco-p.pr_custo2))-nd.desconto), 0) TotalLucro from nfe_detalhe nd "
             "inner join produto p on nd.id_produto=p.codigo inner join nfe_master nm on nd.fknfe=nm.codigo where "
             "(nm.situacao='2') and (nm.data_emissao between :dt1 and :dt2) ",
             mes);
        VConcluidas.totalLucros = valor(Qry.fieldByName("TotalLucro").asFloat() + r);
    }

    r = 0;
    qint64 n = 0, q = 0;
    if (vendas()) {
        abre(Qry,
             "select count(vm.codigo) qtdVendas, coalesce(sum(vd.qtd*(vd.preco-p.pr_custo2)) ,0) TotalLucro, "
             "coalesce(sum(vd.qtd) ,0) qtdProdVendidos from vendas_master vm left join vendas_detalhe vd on "
             "vd.fkvenda=vm.codigo and vd.situacao='F' inner join produto p on vd.id_produto=p.codigo where "
             "(vm.situacao='F') and (vm.data_emissao between :dt1 and :dt2) ",
             mes);
        n = Qry.fieldByName("qtdVendas").asInteger();
        q = Qry.fieldByName("qtdProdVendidos").asInteger();
        VConcluidas.quantidadeVendas = textoInteiro(n);
        VConcluidas.TicketMedio = QStringLiteral("0");
        VConcluidas.QuantidadeProdutosVendidos = textoInteiro(q);

        abre(Qry,
             "select coalesce(sum(vm.total), 0) TotalDescontos from vendas_master vm where (vm.data_emissao between "
             ":dt1 and :dt2) and (vm.situacao='F')  ",
             hoje);
        r = Qry.fieldByName("TotalDescontos").asFloat();
        VConcluidas.totalDescontos = valor(r);
    }
    if (nfe()) {
        abre(Qry,
             "select count(nm.codigo) qtdVendas, coalesce(sum(nd.qtd*(nd.preco-p.pr_custo2)) ,0) TotalLucro, "
             "coalesce(sum(nd.qtd) ,0) qtdProdVendidos from nfe_master nm left join nfe_detalhe nd on "
             "nd.fknfe=nm.codigo inner join produto p on nd.id_produto=p.codigo where (nm.situacao='2') and "
             "(nm.data_emissao between :dt1 and :dt2) ",
             mes);
        VConcluidas.quantidadeVendas = textoInteiro(Qry.fieldByName("qtdVendas").asInteger() + n);
        VConcluidas.TicketMedio = QStringLiteral("0");
        VConcluidas.QuantidadeProdutosVendidos = textoInteiro(Qry.fieldByName("qtdProdVendidos").asInteger() + q);

        r = 0;
        abre(Qry,
             "select coalesce(sum(nm.total), 0) TotalDescontos from nfce_master nm where (nm.data_emissao between :dt1 "
             "and :dt2) and (nm.situacao='T') ",
             hoje);
        VConcluidas.TicketMedio = valor(Qry.fieldByName("TotalDescontos").asFloat() + r);
    }
}

void uConsultas::RelatorioVendasCanceladas(ErpQuery& Qry) {
    const Periodo mes = periodoMesAtual(agora());
    double a = 0, b = 0;
    qint64 c = 0, d = 0;
    if (vendas()) {
        abre(Qry,
             "select coalesce(sum(vm.total), 0) ValorVendas, coalesce(sum(vd.qtd*(vd.preco-p.pr_custo2)) ,0) "
             "TotalLucro, coalesce(sum(vd.qtd) ,0) qtdProdCancelados from vendas_master vm left join vendas_detalhe vd "
             "on vd.fkvenda=vm.codigo and vd.situacao='C' inner join produto p on vd.id_produto=p.codigo where "
             "(vm.situacao='C') and (vm.data_emissao between :dt1 and :dt2) ",
             mes);
        a = Qry.fieldByName("ValorVendas").asFloat();
        b = Qry.fieldByName("TotalLucro").asFloat();
        c = Qry.fieldByName("qtdProdCancelados").asInteger();
        VCanceladas.valorVendas = valor(a);
        VCanceladas.LurosPerdidos = valor(b);
        VCanceladas.QuantidadeProdutosPerdidos = textoInteiro(c);

        abre(Qry,
             "SELECT COUNT(CODIGO) AS qtdVendas FROM vendas_master WHERE situacao = 'C' AND data_emissao BETWEEN "
             ":data1 AND :data2 AND total > 0",
             mes);
        d = Qry.fieldByName("qtdVendas").asInteger();
        VCanceladas.QuantidadeVendasPerdidas = textoInteiro(d);
    }
    if (nfe()) {
        abre(Qry,
             "select coalesce(sum(nm.total), 0) ValorVendas, coalesce(sum(nd.qtd*(nd.preco-p.pr_custo2)) ,0) "
             "TotalLucro, coalesce(sum(nd.qtd) ,0) qtdProdCancelados, count(nm.codigo) qtdVendas from nfe_master nm "
             "left join nfe_detalhe nd on nd.fknfe=nm.codigo inner join produto p on nd.id_produto=p.codigo where "
             "(nm.situacao='3') and (nm.data_emissao between :dt1 and :dt2) ",
             mes);
        VCanceladas.valorVendas = valor(Qry.fieldByName("ValorVendas").asFloat() + a);
        VCanceladas.LurosPerdidos = valor(Qry.fieldByName("TotalLucro").asFloat() + b);
        VCanceladas.QuantidadeProdutosPerdidos = textoInteiro(Qry.fieldByName("qtdProdCancelados").asInteger() + c);
        VCanceladas.QuantidadeVendasPerdidas = textoInteiro(Qry.fieldByName("qtdVendas").asInteger() + d);
    }
}

void uConsultas::VendaUsuarios(ErpQuery& Qry) {
    const Periodo mes = periodoMesAtual(agora());
    double t = 0;
    qint64 v = 0, p = 0;
    if (vendas()) {
        abre(Qry,
             "select u.login usuario, coalesce(sum(vm.total) ,0) TotalVendas, count(vm.codigo) qtdVendas, sum(vd.qtd) "
             "qtdProdVendidos from vendas_master vm inner join usuarios u on vm.fk_usuario=u.codigo inner join "
             "vendas_detalhe vd on vd.fkvenda=vm.codigo and vd.situacao='F' where (vm.situacao='F') and "
             "(vm.data_emissao between :dt1 and :dt2) group by 1 ",
             mes);
        t = Qry.fieldByName("TotalVendas").asFloat();
        v = Qry.fieldByName("qtdVendas").asInteger();
        p = Qry.fieldByName("qtdProdVendidos").asInteger();
        VUsuarios.usuario = Qry.fieldByName("usuario").asString();
        VUsuarios.totalVendas = valor(t);
        VUsuarios.comissoes = QStringLiteral("0");
        VUsuarios.quantidadeVendas = textoInteiro(v);
        VUsuarios.quantidadeProdutos = textoInteiro(p);
    }
    if (nfe()) {
        abre(Qry,
             "select u.login usuario, coalesce(sum(nm.total) ,0) TotalVendas, count(nm.codigo) qtdVendas, sum(nd.qtd) "
             "qtdProdVendidos from nfe_master nm inner join usuarios u on nm.fk_usuario=u.codigo inner join "
             "nfe_detalhe nd on nd.fknfe=nm.codigo where (nm.situacao='2') and (nm.data_emissao between :dt1 and "
             ":dt2) group by 1 ",
             mes);
        VUsuarios.usuario = Qry.fieldByName("usuario").asString();
        VUsuarios.totalVendas = valor(Qry.fieldByName("TotalVendas").asFloat() + t);
        VUsuarios.comissoes = QStringLiteral("0");
        VUsuarios.quantidadeVendas = textoInteiro(Qry.fieldByName("qtdVendas").asInteger() + v);
        VUsuarios.quantidadeProdutos = textoInteiro(Qry.fieldByName("qtdProdVendidos").asInteger() + p);
    }
}

void uConsultas::RelatorioVendasDiarias(ErpQuery& Qry) {
    const Periodo hoje = periodoHoje(agora());
    double r = 0;
    if (vendas()) {
        abre(Qry,
             "select coalesce(sum(vm.total), 0) total from vendas_master vm where (vm.data_emissao between :dt1 and "
             ":dt2) and (vm.situacao='F') ",
             hoje);
        r = Qry.fieldByName("total").asFloat();
        vRelDiario.VendasDiarias = valor(r);
    }
    if (nfe()) {
        abre(Qry,
             "select coalesce(sum(nm.total), 0) total from nfe_master nm where (nm.data_emissao between :dt1 and :dt2) "
             "and (nm.situacao='2') ",
             hoje);
        vRelDiario.VendasDiarias = valor(Qry.fieldByName("total").asFloat() + r);
    }
}

void uConsultas::RelatorioVendasLucros(ErpQuery& Qry) {
    const Periodo hoje = periodoHoje(agora());
    double r = 0;
    if (vendas()) {
        abre(Qry,
             "select cast(coalesce(sum((vd.total)-(vd.qtd*pr.pr_custo2)), 0) as numeric(15,2)) lucroDiario from "
             "vendas_detalhe vd inner join vendas_master vm on vm.codigo=vd.fkvenda inner join produto pr on "
             "pr.codigo=vd.id_produto where (vm.situacao='F') and (vd.situacao='F') and (vm.data_emissao between :dt1 "
             "and :dt2) ",
             hoje);
        r = Qry.fieldByName("lucroDiario").asFloat();
        vRelDiario.LucroDiario = valor(r);
    }
    if (nfe()) {
        abre(Qry,
             "select cast(coalesce(sum((nd.total)-(nd.qtd*pr.pr_custo2)), 0) as numeric(15,2)) lucroDiario from "
             "nfe_detalhe nd inner join nfe_master nm on nm.codigo=nd.fknfe inner join produto pr on "
             "pr.codigo=nd.id_produto where (nm.situacao='2') and (nm.data_emissao between :dt1 and :dt2) ",
             hoje);
        vRelDiario.LucroDiario = valor(Qry.fieldByName("lucroDiario").asFloat() + r);
    }
}

}  // namespace velorix
