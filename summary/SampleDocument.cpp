#include "summary/SampleDocument.h"

namespace velorix {

namespace {

// Same members and order as the built document, minus "diario"; figures are placeholders.
constexpr const char* kSample = R"json(
{
  "notasFiscais": {
    "TotalEnviadas": {
      "janeiro": 3,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "TotalCanceladas": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "TotalContigencia": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    }
  },
  "vendas": {
    "canceladas": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "concluidas": {
      "janeiro": 3,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    }
  },
  "f_pagamentos": {
    "dinheiro": 6465,
    "credito": 0,
    "debito": 0,
    "pix": 0,
    "prazo": 0
  },
  "caixa": {
    "saldo": {
      "janeiro": 6465,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "entradas": {
      "janeiro": 6465,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "saidas": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "saldoAtual": 6465,
    "EntradaAtual": 6465,
    "SaidaAtual": 0
  },
  "cadastros": {
    "produtos": "8560",
    "clientes": "602",
    "usuarios": "1",
    "fornecedores": "40"
  },
  "contasReceber": {
    "receber": {
      "janeiro": 10.99,
      "feveiro": 20.99,
      "marco": 30.99,
      "abril": 40.99,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "recebidas": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "vencidasAtual": 1.99,
    "pendentesAtual": 2.99,
    "pagasAtual": 3.99
  },
  "contasPagar": {
    "pagas": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "pendendentes": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "vencidasAtual": 0,
    "pendentesAtual": 0,
    "pagasAtual": 0
  },
  "caixasAbertos": [
    {
      "usuario": "admin",
      "horaAbertura": "10:34:31",
      "dataAbertura": "20/10/2021",
      "saldoInicial": 0,
      "saldoAtual": 83935.68,
      "Entradas": 83935.68,
      "saidas": 0,
      "dinheiro": 83935.68,
      "credito": 0,
      "debito": 0,
      "cheque": 0,
      "convenio": 0,
      "vRefeicao": 0,
      "vCombustivel": 0
    }
  ],
  "topProdutos": [
    {
      "produto": "ARROZ BRANCO TIPO 1 5KG",
      "quantidade": "750"
    },
    {
      "produto": "FEIJAO CARIOCA 1KG",
      "quantidade": "120"
    }
  ],
  "lucrosPresumidos": {
    "ganhos": {
      "janeiro": 2497.5,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "perdidos": {
      "janeiro": 0,
      "feveiro": 0,
      "marco": 0,
      "abril": 0,
      "maio": 0,
      "junho": 0,
      "julho": 0,
      "agosto": 0,
      "setembro": 0,
      "outubro": 0,
      "novembro": 0,
      "dezembro": 0
    },
    "relatorioVendas": {
      "concluidas": {
        "valorVendas": 6465,
        "quantidadeVendas": 3,
        "totalDescontos": 0,
        "totalLucros": 2497.5,
        "TicketMedio": 2155,
        "TempoMedioAtendimento": "00:00:42",
        "QuantidadeProdutosVendidos": 870
      },
      "canceladas": {
        "valorVendas": 0,
        "LurosPerdidos": 0,
        "QuantidadeProdutosPerdidos": 0,
        "QuantidadeVendasPerdidas": 0
      },
      "vendasUsuarios": [
        {
          "usuario": "admin",
          "totalVendas": "6465",
          "comissoes": "0",
          "quantidadeVendas": 3,
          "quantidadeProdutos": 870,
          "tempoAtendimento": "00:00:42"
        }
      ]
    }
  }
})json";

}  // namespace

QString SampleDocument() {
    // Skip the literal's opening line break; the memo holds Windows line breaks.
    static const QString text =
        QString::fromUtf8(kSample + 1).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

}  // namespace velorix
