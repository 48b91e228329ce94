// The online store link: the store connection's preparation, the order watch and the stock push.
#include "shell/Formats.h"
#include "shell/IniFile.h"
#include "shell/Principal.h"
#include "store/StoreConnection.h"
#include "store/StoreTables.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

namespace velorix {

namespace {

// Where the shop's online store database lives unless app.ini says otherwise ("catalogo_servidor").
const QString kServidorCatalogo = QStringLiteral("catalogo.velorix.com.br");

const QString kParametro = QStringLiteral(
    "select servidor_app, \r\n"
    "senha_app,\r\n"
    "usuario_app,\r\n"
    "database_app,\r\n"
    "catalogo_serv,\r\n"
    "catalogo_user,\r\n"
    "catalogo_base,\r\n"
    "catalogo_senha\r\n"
    "from config");

const QString kProdutos = QStringLiteral(
    "select QTD_ATUAL, CODBARRA from Produto\r\n"
    "where\r\n"
    "RESTAUTANTE='S' and\r\n"
    "ATIVO='S'");

[[noreturn]] void raiseSql(const QSqlQuery& q) { throw std::runtime_error(q.lastError().text().toStdString()); }

struct ProdutoErp {
    QString codbarra;
    QVariant qtdAtual;
};

}  // namespace

QString TForm1::somPedidoPadrao() const {
    const QDir programDir = QFileInfo(options_.executablePath).absoluteDir();
    const QString beside = programDir.filePath("toque.wav");
    const QString installed = programDir.filePath("../share/velorix/toque.wav");
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed)) return QDir::cleanPath(installed);
    return beside;
}

void TForm1::lercatalogo() {
    // The client library is linked into the program: there is no library file to point at.
    try {
        // The settings row; read and closed at once, so no ERP transaction stays open.
        QString user, base, senha;
        {
            if (!Conexao_.connected()) throw std::runtime_error("ERP database not connected");
            QSqlQuery qryParametro(Conexao_.database());
            qryParametro.setForwardOnly(true);
            if (!qryParametro.exec(kParametro)) raiseSql(qryParametro);
            if (qryParametro.next()) {
                const QSqlRecord rec = qryParametro.record();
                auto text = [&](const char* col) {
                    const int i = rec.indexOf(col);
                    return i < 0 ? QString() : qryParametro.value(i).toString();
                };
                user = text("CATALOGO_USER");
                base = text("CATALOGO_BASE");
                senha = text("CATALOGO_SENHA");
            }
            qryParametro.finish();
        }

        const IniFile ini = IniFile::load(settingsPath("app.ini"));
        const QString servidor = TrimControl(ini.readString("config", "catalogo_servidor", ""));
        ConexaoCATALOGO.setParam(StoreParam::Server, servidor.isEmpty() ? kServidorCatalogo : servidor);

        const std::pair<StoreParam, const QString*> scrambled[] = {
            {StoreParam::User_Name, &user}, {StoreParam::Database, &base}, {StoreParam::Password, &senha}};
        for (const auto& [param, value] : scrambled) {
            if (!TrimControl(*value).isEmpty()) ConexaoCATALOGO.setParam(param, Crypt("D", *value));
        }
        ConexaoCATALOGO.setParam(StoreParam::AuthPlugin, "mysql_native_password");
    } catch (const std::exception&) {
        // Start-up goes on; what was set stays set.
    }
}

void TForm1::Buscar_catalogo() {
    if (!platform_.connectivity->isOnline()) return;
    try {
        // A fresh connection for every watch.
        ConexaoCATALOGO.close();
        ConexaoCATALOGO.open();
        pedidosPendentes = store::pendingOrderCount(ConexaoCATALOGO.handle());
        if (pedidosPendentes > 0) {
            const QString som = somPedido.isEmpty() ? somPedidoPadrao() : QDir(options_.dir).absoluteFilePath(somPedido);
            platform_.sound->playAsync(som);
            labmensagem.Caption = QStringLiteral("Orçamento ");
            Label10.Caption = "Status:" + FormatDateTime("hh:nn:ss", platform_.clock->now(), platform_.regional->settings());
            Label10FontColor = QStringLiteral("#0000FF");
            changed();
        }
    } catch (const std::exception& e) {
        throw std::runtime_error(
            (QStringLiteral("Erro de conexão com o banco de dados do servidor ") + ConexaoCATALOGO.redacted(QString::fromUtf8(e.what())))
                .toStdString());
    }
}

void TForm1::enviarprodutos() {
    if (!platform_.connectivity->isOnline()) return;
    produtosEnviados = 0;
    try {
        ConexaoCATALOGO.setParam(StoreParam::CharacterSet, "UTF8");
        if (!ConexaoCATALOGO.connected()) ConexaoCATALOGO.open();

        // The ERP products, read whole so the ERP transaction ends before the store is written.
        QList<ProdutoErp> produtos;
        {
            if (!Conexao_.connected()) throw std::runtime_error("ERP database not connected");
            QSqlQuery qryProdutos(Conexao_.database());
            qryProdutos.setForwardOnly(true);
            if (!qryProdutos.exec(kProdutos)) raiseSql(qryProdutos);
            const QSqlRecord rec = qryProdutos.record();
            const int qtd = rec.indexOf("QTD_ATUAL");
            const int codbarra = rec.indexOf("CODBARRA");
            while (qryProdutos.next()) produtos.append({qryProdutos.value(codbarra).toString(), qryProdutos.value(qtd)});
            if (qryProdutos.lastError().isValid()) raiseSql(qryProdutos);
            qryProdutos.finish();
        }

        store::StockTable cdsContagem(ConexaoCATALOGO.handle());
        for (const ProdutoErp& p : produtos) {
            cdsContagem.post(p.codbarra, store::roundHalfEven(p.qtdAtual));
            ++produtosEnviados;
        }
    } catch (const std::exception& e) {
        throw std::runtime_error((QStringLiteral("Erro  ") + ConexaoCATALOGO.redacted(QString::fromUtf8(e.what()))).toStdString());
    }
}

}  // namespace velorix
