#pragma once
// The summary document: which figure goes into which member, in which order the figures are
// asked for, and the exact text around them.
//
// MontarResumo is a template over the unit and its query object so the document is built by
// the same code whether the figures come from the ERP (uConsultas over qryAux) or from a test
// double with the same member functions and records.

#include "shell/Formats.h"
#include "metrics/uConsultas.h"

#include <QString>
#include <vector>

namespace velorix {

// One member of the document tree. A value is kept as text when it was asked for, or as a
// pointer to a record field, read when the text is assembled.
struct MembroResumo {
    enum Forma {
        Numero,       // bare value (the empty text is written as 0)
        Texto,        // quoted value, escaped as a JSON string
        Objeto,       // general rules
        Caixas,       // "caixasAbertos": the list text as it comes, between "[" and " ]"
        Produtos,     // "topProdutos": six pairs produto/quantidade
        Diario,       // "diario": its own compact layout
        UmObjeto,     // "vendasUsuarios": an array holding one object
    };
    QString chave;
    Forma forma = Numero;
    QString valor;
    const QString* campo = nullptr;
    std::vector<MembroResumo> membros;
    bool semRecuo = false;  // the key starts with no indent ("topProdutos", "lucrosPresumidos")

    const QString& texto() const { return campo ? *campo : valor; }
};

// The whole document text from the tree of the root's members.
QString EscreveResumo(const std::vector<MembroResumo>& raiz);

namespace resumo {

inline MembroResumo numero(const QString& chave, QString valor) {
    MembroResumo m;
    m.chave = chave;
    m.valor = std::move(valor);
    return m;
}
inline MembroResumo numero(const QString& chave, const QString* campo) {
    MembroResumo m;
    m.chave = chave;
    m.campo = campo;
    return m;
}
inline MembroResumo texto(const QString& chave, QString valor) {
    MembroResumo m = numero(chave, std::move(valor));
    m.forma = MembroResumo::Texto;
    return m;
}
inline MembroResumo texto(const QString& chave, const QString* campo) {
    MembroResumo m = numero(chave, campo);
    m.forma = MembroResumo::Texto;
    return m;
}
inline MembroResumo objeto(const QString& chave, std::vector<MembroResumo> membros,
                           MembroResumo::Forma forma = MembroResumo::Objeto) {
    MembroResumo m;
    m.chave = chave;
    m.forma = forma;
    m.membros = std::move(membros);
    return m;
}

inline const char* const kMeses[12] = {"janeiro", "feveiro", "marco",    "abril",   "maio",     "junho",
                                       "julho",   "agosto",  "setembro", "outubro", "novembro", "dezembro"};

// A month object: one call per month, January first.
template <class F>
MembroResumo mensal(const QString& chave, F&& valorDoMes) {
    std::vector<MembroResumo> meses;
    meses.reserve(12);
    for (int m = tmjaneiro; m <= tmdezembro; ++m)
        meses.push_back(numero(QLatin1String(kMeses[m]), valorDoMes(static_cast<TMes>(m))));
    return objeto(chave, std::move(meses));
}

}  // namespace resumo

// Asks for every figure (the six reports, then the values in document order) and only then
// assembles the text. Errors of the unit propagate; nothing is assembled after a failure.
template <class Unidade, class Consulta>
QString MontarResumo(Unidade& u, Consulta& q) {
    using namespace resumo;
    using M = MembroResumo;

    u.topProdutos(q);
    u.RelatorioVendasConcluidas(q);
    u.RelatorioVendasCanceladas(q);
    u.VendaUsuarios(q);
    u.RelatorioVendasDiarias(q);
    u.RelatorioVendasLucros(q);

    // Each statement below runs where it stands: the vector's elements are built in order.
    std::vector<M> raiz;
    raiz.push_back(objeto("notasFiscais", {
        mensal("TotalEnviadas", [&](TMes m) { return u.NFsTotalMes(q, m, "T"); }),
        mensal("TotalCanceladas", [&](TMes m) { return u.NFsTotalMes(q, m, "C"); }),
        mensal("TotalContigencia", [&](TMes m) { return u.NFsTotalMes(q, m, "O"); }),
    }));
    raiz.push_back(objeto("vendas", {
        mensal("canceladas", [&](TMes m) { return u.VendasTotalMes(q, m, "C"); }),
        mensal("concluidas", [&](TMes m) { return u.VendasTotalMes(q, m, "F"); }),
    }));
    raiz.push_back(objeto("f_pagamentos", {
        numero("dinheiro", u.VendasFPGTotalMes(q, "D")),
        numero("credito", u.VendasFPGTotalMes(q, "C")),
        numero("debito", u.VendasFPGTotalMes(q, "E")),
        numero("pix", u.VendasFPGTotalMes(q, "I")),
        numero("prazo", u.VendasFPGTotalMes(q, "T")),
    }));
    raiz.push_back(objeto("caixa", {
        mensal("saldo", [&](TMes m) { return u.CXSaldoMes(q, m); }),
        mensal("entradas", [&](TMes m) { return u.CXEntradaMes(q, m); }),
        mensal("saidas", [&](TMes m) { return u.CXSaidaMes(q, m); }),
        numero("saldoAtual", u.CXValorAtual(q, "SALDO")),
        numero("EntradaAtual", u.CXValorAtual(q, "ENTRADA")),
        numero("SaidaAtual", u.CXValorAtual(q, "SAIDA")),
    }));
    raiz.push_back(objeto("cadastros", {
        texto("produtos", u.QtdCadastros(q, "P")),
        texto("clientes", u.QtdCadastros(q, "C")),
        texto("usuarios", u.QtdCadastros(q, "U")),
        texto("fornecedores", u.QtdCadastros(q, "F")),
    }));
    raiz.push_back(objeto("contasReceber", {
        mensal("receber", [&](TMes m) { return u.TotalCReceber(q, m); }),
        mensal("recebidas", [&](TMes m) { return u.TotalCRecebidas(q, m); }),
        numero("vencidasAtual", u.TotalCReceberAtual(q, "VENCIDAS")),
        numero("pendentesAtual", u.TotalCReceberAtual(q, "PENDENTES")),
        numero("pagasAtual", u.TotalCReceberAtual(q, "PAGAS")),
    }));
    raiz.push_back(objeto("contasPagar", {
        mensal("pagas", [&](TMes m) { return u.TotalCPagar(q, m); }),
        mensal("pendendentes", [&](TMes m) { return u.TotalCPagarPendentes(q, m); }),
        numero("vencidasAtual", u.TotalCPagarAtual(q, "VENCIDAS")),
        numero("pendentesAtual", u.TotalCPagarAtual(q, "PENDENTES")),
        numero("pagasAtual", u.TotalCPagarAtual(q, "PAGAS")),
    }));
    {
        M caixas = numero("caixasAbertos", u.ListaCaixasAbertos());
        caixas.forma = M::Caixas;
        raiz.push_back(std::move(caixas));
    }
    {
        const auto& p = u.TProdutos;
        const QString* const campos[6][2] = {
            {&p.produto01, &p.quantidade01}, {&p.produto02, &p.quantidade02}, {&p.produto03, &p.quantidade03},
            {&p.produto04, &p.quantidade04}, {&p.produto05, &p.quantidade05}, {&p.produto06, &p.quantidade06},
        };
        std::vector<M> itens;
        for (const auto& c : campos) itens.push_back(objeto({}, {texto("produto", c[0]), texto("quantidade", c[1])}));
        M produtos = objeto("topProdutos", std::move(itens), M::Produtos);
        produtos.semRecuo = true;
        raiz.push_back(std::move(produtos));
    }
    {
        std::vector<M> lucros;
        lucros.push_back(mensal("ganhos", [&](TMes m) { return u.LucrosPresumidosGanhos(q, m); }));
        lucros.push_back(mensal("perdidos", [](TMes) { return QStringLiteral("0"); }));
        const auto& vc = u.VConcluidas;
        const auto& vx = u.VCanceladas;
        const auto& vd = u.vRelDiario;
        const auto& vu = u.VUsuarios;
        lucros.push_back(objeto("relatorioVendas", {
            objeto("concluidas", {
                numero("valorVendas", &vc.valorVendas),
                numero("quantidadeVendas", &vc.quantidadeVendas),
                numero("totalDescontos", &vc.totalDescontos),
                numero("totalLucros", &vc.totalLucros),
                numero("TicketMedio", &vc.TicketMedio),
                texto("TempoMedioAtendimento", QStringLiteral("00:00:00")),
                numero("QuantidadeProdutosVendidos", &vc.QuantidadeProdutosVendidos),
            }),
            objeto("canceladas", {
                numero("valorVendas", &vx.valorVendas),
                numero("LurosPerdidos", &vx.LurosPerdidos),
                numero("QuantidadeProdutosPerdidos", &vx.QuantidadeProdutosPerdidos),
                numero("QuantidadeVendasPerdidas", &vx.QuantidadeVendasPerdidas),
            }),
            objeto("diario", {
                numero("vendasDia", &vd.VendasDiarias),
                numero("lucroDia", &vd.LucroDiario),
            }, M::Diario),
            objeto("vendasUsuarios", {
                texto("usuario", &vu.usuario),
                texto("totalVendas", &vu.totalVendas),
                texto("comissoes", &vu.comissoes),
                numero("quantidadeVendas", &vu.quantidadeVendas),
                numero("quantidadeProdutos", &vu.quantidadeProdutos),
                texto("tempoAtendimento", QStringLiteral("00:00:00")),
            }, M::UmObjeto),
        }));
        M lucrosPresumidos = objeto("lucrosPresumidos", std::move(lucros));
        lucrosPresumidos.semRecuo = true;
        raiz.push_back(std::move(lucrosPresumidos));
    }
    return EscreveResumo(raiz);
}

}  // namespace velorix
