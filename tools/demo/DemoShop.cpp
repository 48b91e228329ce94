#include "tools/demo/DemoShop.h"

#include "erp/ErpSchema.h"
#include "tools/demo/FbWriter.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace velorix::demo {

namespace {

// ---------------------------------------------------------------- randomness

// splitmix64: small, fast, and the same numbers on every platform and library (the standard
// distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed ^ 0x6A09E667F3BCC909ull) {}
    std::uint64_t next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    std::int64_t range(std::int64_t lo, std::int64_t hi) {
        const std::uint64_t span = std::uint64_t(hi - lo) + 1;
        return lo + std::int64_t(next() % span);
    }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    template <typename T>
    const T& pick(const std::vector<T>& v) { return v[size_t(range(0, std::int64_t(v.size()) - 1))]; }

private:
    std::uint64_t s_;
};

class Weighted {
public:
    explicit Weighted(const std::vector<double>& weights) {
        double sum = 0;
        for (double w : weights) cum_.push_back(sum += w);
    }
    int pick(Rng& rng) const {
        const double x = rng.unit() * cum_.back();
        return int(std::upper_bound(cum_.begin(), cum_.end(), x) - cum_.begin());
    }

private:
    std::vector<double> cum_;
};

// Splits `total` over the slots in proportion to the weights, rounding along the running sum so
// the parts add up exactly.
std::vector<int> allocate(std::int64_t total, const std::vector<double>& weights) {
    double sum = 0;
    for (double w : weights) sum += w;
    std::vector<int> out(weights.size(), 0);
    if (sum <= 0) return out;
    double cum = 0;
    std::int64_t prev = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        cum += weights[i];
        const std::int64_t upto = std::llround(cum * double(total) / sum);
        out[i] = int(upto - prev);
        prev = upto;
    }
    return out;
}

std::int64_t roundDiv(std::int64_t a, std::int64_t b) { return (a >= 0 ? a + b / 2 : a - b / 2) / b; }

// ---------------------------------------------------------------- rows

struct Money { std::int64_t cents; };
struct Qty { std::int64_t milli; };
struct Cost { std::int64_t tenThousandths; };
struct Null {};

class Table {
public:
    Table(FbDatabase& db, FbTransaction& tr, std::string name, const std::string& columns)
        : name_(std::move(name)) {
        const int n = int(std::count(columns.begin(), columns.end(), ',')) + 1;
        std::string marks;
        for (int i = 0; i < n; ++i) marks += i ? ", ?" : "?";
        stmt_ = std::make_unique<FbStatement>(db, tr, "insert into " + name_ + " (" + columns + ") values (" + marks + ")");
    }

    template <typename... A>
    void row(const A&... a) {
        int i = 0;
        (bind(i++, a), ...);
        stmt_->execute();
        ++rows_;
    }

    const std::string& name() const { return name_; }
    std::int64_t rows() const { return rows_; }

private:
    void bind(int i, int v) { stmt_->setInt(i, v); }
    void bind(int i, std::int64_t v) { stmt_->setInt(i, v); }
    void bind(int i, const std::string& v) { stmt_->setText(i, v); }
    void bind(int i, const char* v) { stmt_->setText(i, v); }
    void bind(int i, Money v) { stmt_->setScaled(i, v.cents, 2); }
    void bind(int i, Qty v) { stmt_->setScaled(i, v.milli, 3); }
    void bind(int i, Cost v) { stmt_->setScaled(i, v.tenThousandths, 4); }
    void bind(int i, Null) { stmt_->setNull(i); }
    void bind(int i, const QDate& v) {
        if (v.isValid()) stmt_->setDate(i, v);
        else stmt_->setNull(i);
    }
    void bind(int i, const QTime& v) { stmt_->setTime(i, v); }

    std::string name_;
    std::unique_ptr<FbStatement> stmt_;
    std::int64_t rows_ = 0;
};

// ---------------------------------------------------------------- the shop's catalogue

struct ProductTemplate {
    const char* name;
    int priceCents;
    enum Kind { Grocery, ByWeight, SnackBar, Serial, Accessory } kind;
    double popularity;
};

// Shelf goods get a brand each; the rest are sold as they are.
const ProductTemplate kShelf[] = {
    {"ARROZ BRANCO TIPO 1 5KG", 2790, ProductTemplate::Grocery, 3.0},
    {"FEIJÃO CARIOCA 1KG", 899, ProductTemplate::Grocery, 3.0},
    {"AÇÚCAR CRISTAL 5KG", 2249, ProductTemplate::Grocery, 2.0},
    {"CAFÉ TORRADO E MOÍDO 500G", 1890, ProductTemplate::Grocery, 2.5},
    {"ÓLEO DE SOJA 900ML", 749, ProductTemplate::Grocery, 2.5},
    {"MACARRÃO ESPAGUETE 500G", 479, ProductTemplate::Grocery, 2.0},
    {"LEITE INTEGRAL 1L", 529, ProductTemplate::Grocery, 4.0},
    {"FARINHA DE TRIGO 1KG", 599, ProductTemplate::Grocery, 1.2},
    {"SAL REFINADO 1KG", 299, ProductTemplate::Grocery, 0.8},
    {"BISCOITO RECHEADO 140G", 349, ProductTemplate::Grocery, 2.0},
    {"MOLHO DE TOMATE 340G", 329, ProductTemplate::Grocery, 1.5},
    {"SARDINHA EM LATA 125G", 599, ProductTemplate::Grocery, 1.0},
    {"MILHO VERDE EM LATA 200G", 389, ProductTemplate::Grocery, 0.8},
    {"ACHOCOLATADO EM PÓ 400G", 899, ProductTemplate::Grocery, 1.0},
    {"MARGARINA CREMOSA 500G", 799, ProductTemplate::Grocery, 1.5},
    {"FUBÁ MIMOSO 1KG", 459, ProductTemplate::Grocery, 0.6},
    {"OVOS BRANCOS C/12", 1190, ProductTemplate::Grocery, 2.0},
    {"REFRIGERANTE COLA 2L", 989, ProductTemplate::Grocery, 3.0},
    {"ÁGUA MINERAL 500ML", 250, ProductTemplate::Grocery, 3.0},
    {"SUCO DE UVA INTEGRAL 1L", 1399, ProductTemplate::Grocery, 0.8},
    {"CERVEJA LATA 350ML", 449, ProductTemplate::Grocery, 3.5},
    {"ENERGÉTICO LATA 250ML", 899, ProductTemplate::Grocery, 0.8},
    {"DETERGENTE NEUTRO 500ML", 259, ProductTemplate::Grocery, 1.5},
    {"SABÃO EM PÓ 1KG", 1490, ProductTemplate::Grocery, 1.0},
    {"ÁGUA SANITÁRIA 2L", 689, ProductTemplate::Grocery, 1.0},
    {"DESINFETANTE LAVANDA 2L", 999, ProductTemplate::Grocery, 0.8},
    {"ESPONJA DUPLA FACE C/3", 449, ProductTemplate::Grocery, 0.8},
    {"PAPEL HIGIÊNICO FOLHA DUPLA C/12", 2290, ProductTemplate::Grocery, 1.5},
    {"SABONETE 85G", 259, ProductTemplate::Grocery, 1.2},
    {"CREME DENTAL 90G", 499, ProductTemplate::Grocery, 1.0},
    {"SHAMPOO 350ML", 1590, ProductTemplate::Grocery, 0.6},
    {"DESODORANTE AEROSOL 150ML", 1790, ProductTemplate::Grocery, 0.6},
    {"RAÇÃO PARA CÃES 1KG", 1890, ProductTemplate::Grocery, 0.5},
    {"CARVÃO VEGETAL 3KG", 2190, ProductTemplate::Grocery, 0.4},
};

const char* const kBrands[] = {"BOA SAFRA", "SÃO JORGE", "VALE VERDE", "TRÊS MARIAS", "DA FAZENDA", "PRIMOR", "BOM GOSTO"};

const ProductTemplate kFixed[] = {
    {"PÃO FRANCÊS KG", 1690, ProductTemplate::ByWeight, 8.0},
    {"QUEIJO MUSSARELA FATIADO KG", 4990, ProductTemplate::ByWeight, 2.0},
    {"PRESUNTO COZIDO FATIADO KG", 3690, ProductTemplate::ByWeight, 1.8},
    {"BANANA PRATA KG", 699, ProductTemplate::ByWeight, 3.0},
    {"TOMATE KG", 899, ProductTemplate::ByWeight, 2.5},
    {"CEBOLA KG", 549, ProductTemplate::ByWeight, 1.5},
    {"BATATA INGLESA KG", 599, ProductTemplate::ByWeight, 1.5},
    {"CARNE MOÍDA PATINHO KG", 4490, ProductTemplate::ByWeight, 1.0},
    {"PASTEL DE CARNE", 800, ProductTemplate::SnackBar, 3.0},
    {"COXINHA DE FRANGO", 700, ProductTemplate::SnackBar, 3.5},
    {"PÃO DE QUEIJO", 450, ProductTemplate::SnackBar, 3.0},
    {"CAFÉ EXPRESSO", 500, ProductTemplate::SnackBar, 4.0},
    {"SUCO NATURAL DE LARANJA 300ML", 900, ProductTemplate::SnackBar, 2.0},
    {"X-BÚRGUER", 1800, ProductTemplate::SnackBar, 1.5},
    {"MISTO QUENTE", 1000, ProductTemplate::SnackBar, 1.5},
    {"PRATO FEITO DO DIA", 2500, ProductTemplate::SnackBar, 1.2},
    {"CELULAR SMARTPHONE 64GB", 99900, ProductTemplate::Serial, 0.04},
    {"CELULAR SMARTPHONE 128GB", 149900, ProductTemplate::Serial, 0.03},
    {"TV LED 32 POL HD", 109900, ProductTemplate::Serial, 0.02},
    {"TV LED 43 POL SMART 4K", 219900, ProductTemplate::Serial, 0.015},
    {"VENTILADOR DE MESA 40CM", 18990, ProductTemplate::Serial, 0.06},
    {"LIQUIDIFICADOR 600W", 14990, ProductTemplate::Serial, 0.05},
    {"FERRO DE PASSAR A VAPOR", 12990, ProductTemplate::Serial, 0.04},
    {"FORNO MICRO-ONDAS 20L", 54990, ProductTemplate::Serial, 0.02},
    {"FONE DE OUVIDO BLUETOOTH", 8990, ProductTemplate::Serial, 0.08},
    {"CAIXA DE SOM BLUETOOTH", 15990, ProductTemplate::Serial, 0.05},
    {"CABO USB-C 1M 2A/3A", 2490, ProductTemplate::Accessory, 0.4},
    {"CARREGADOR DE TOMADA USB 2.1A", 3990, ProductTemplate::Accessory, 0.3},
    {"PILHA ALCALINA AA C/4", 1890, ProductTemplate::Accessory, 0.6},
    {"LÂMPADA LED 9W BIVOLT", 1290, ProductTemplate::Accessory, 0.6},
    {"EXTENSÃO 3 TOMADAS 2M", 2990, ProductTemplate::Accessory, 0.2},
};

struct Product {
    int codigo = 0;
    std::string descricao;
    ProductTemplate::Kind kind = ProductTemplate::Grocery;
    std::int64_t priceCents = 0;
    std::int64_t costTenThousandths = 0;  // pr_custo2
    double popularity = 1;
    int serialSeq = 0;
};

const char* const kFirstNames[] = {
    "JOSÉ", "JOÃO", "ANTÔNIO", "FRANCISCO", "CARLOS", "PAULO", "PEDRO", "LUCAS", "MARCOS", "LUIZ",
    "MARIA", "ANA", "FRANCISCA", "ANTÔNIA", "ADRIANA", "JULIANA", "MÁRCIA", "FERNANDA", "PATRÍCIA", "ALINE",
    "SEBASTIÃO", "RAIMUNDA", "CONCEIÇÃO", "FÁTIMA", "TÂNIA", "CÉLIA", "MÔNICA", "VINÍCIUS", "CAIO", "JÚLIO"};
const char* const kSurnames[] = {
    "SILVA", "SANTOS", "OLIVEIRA", "SOUZA", "RODRIGUES", "FERREIRA", "ALVES", "PEREIRA", "LIMA", "GOMES",
    "COSTA", "RIBEIRO", "MARTINS", "CARVALHO", "ALMEIDA", "LOPES", "SOARES", "FERNANDES", "VIEIRA", "BARBOSA",
    "ARAÚJO", "CONCEIÇÃO", "NASCIMENTO", "DAMASCENO", "BRANDÃO", "GONÇALVES", "MAGALHÃES", "ASSUNÇÃO"};
const char* const kBusinessKinds[] = {"MERCADINHO", "LANCHONETE", "PADARIA", "RESTAURANTE", "BAR E MERCEARIA",
                                      "CANTINA", "POUSADA", "ESCOLA INFANTIL", "CLÍNICA", "OFICINA"};
const char* const kBusinessNames[] = {"BOA VISTA", "SÃO JOSÉ", "DO POVO", "ESPERANÇA", "CENTRAL", "APARECIDA",
                                      "DOIS IRMÃOS", "PORTO SEGURO", "BEIRA-MAR", "SOL NASCENTE", "JARDIM", "DO CAIS"};
const char* const kSupplierKinds[] = {"DISTRIBUIDORA", "ATACADÃO", "COMERCIAL", "INDÚSTRIA DE ALIMENTOS",
                                      "ELETRO", "LATICÍNIOS", "PANIFICADORA", "HORTIFRUTI"};

std::string upperPerson(Rng& rng) {
    std::string n = kFirstNames[rng.range(0, std::size(kFirstNames) - 1)];
    n += ' ';
    n += kSurnames[rng.range(0, std::size(kSurnames) - 1)];
    if (rng.chance(0.6)) {
        n += ' ';
        n += kSurnames[rng.range(0, std::size(kSurnames) - 1)];
    }
    return n;
}

std::string ean13(int codigo, Rng& rng) {
    std::string d = "789" + std::to_string(rng.range(1000, 9999)) + std::to_string(10000 + codigo % 90000);
    d.resize(12, '0');
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (d[size_t(i)] - '0') * (i % 2 ? 3 : 1);
    d += char('0' + (10 - sum % 10) % 10);
    return d;
}

std::string pad(std::int64_t n, int width) {
    std::string s = std::to_string(n);
    if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
    return s;
}

// ---------------------------------------------------------------- the generator

// Payment types and the forma_pagamento row each is paid with.
struct PayType {
    char tipo;
    int forma;
    double weight;
};
const PayType kPayTypes[] = {
    {'D', 1, 28}, {'C', 2, 22}, {'E', 3, 20}, {'I', 4, 20}, {'T', 5, 5},
    {'Q', 6, 1},  {'V', 7, 2},  {'R', 8, 1.5}, {'O', 9, 0.5},
};

struct Register {
    int conta;     // contas.codigo
    int lote = 0;  // the batch of the day
    int user = 0;
    std::int64_t cash = 0;  // cents in the drawer
    std::int64_t sangrias = 0;
    bool sangriaDone = false;
};

class ShopGenerator {
public:
    ShopGenerator(FbDatabase& db, const DemoOptions& o)
        : db_(db), o_(o), rng_(o.seed), today_(o.today), first_(o.today.addDays(-(365 * qint64(o.years) - 1))) {
        if (o.sales < 1) throw std::invalid_argument("the number of sales must be at least 1");
        if (o.years < 1 || o.years > 50) throw std::invalid_argument("the years must be from 1 to 50");
        if (o.products < 0 || o.nfe < 0) throw std::invalid_argument("negative number of products or NF-e");
        if (!o.today.isValid()) throw std::invalid_argument("invalid day for today");
        scale_ = double(o.sales) / 6000.0;
    }

    DemoCounts run() {
        // Tables first, indexes after the load: building an index once is cheaper than
        // keeping it up to date row by row.
        QStringList indexes;
        for (const QString& ddl : erp::erpSchemaStatements()) {
            if (ddl.startsWith(QLatin1String("CREATE INDEX"), Qt::CaseInsensitive)) indexes << ddl;
            else db_.exec(ddl.toStdString());
        }

        FbTransaction tr(db_);
        prepare(tr);
        company();
        people();
        catalogue();
        days();
        purchasesAndBills();
        serialStock();
        registers();
        tr.commit();

        for (const QString& ddl : indexes) db_.exec(ddl.toStdString());
        // Identity columns were given explicit keys; move their generators past them so the
        // ERP's own inserts do not collide.
        const std::pair<const char*, std::int64_t> identities[] = {
            {"config", 1},          {"vendas_detalhe", vendasDetalhe_->rows()}, {"nfe_detalhe", nfeDetalhe_->rows()},
            {"nfce_master", nfce_->rows()}, {"caixa", caixa_->rows()}, {"contas_movimento", movimento_->rows()}};
        for (const auto& [table, last] : identities)
            db_.exec(std::string("ALTER TABLE ") + table + " ALTER COLUMN codigo RESTART WITH " + std::to_string(last + 1));

        DemoCounts counts;
        for (Table* t : allTables()) counts[t->name()] = t->rows();
        counts["config"] = 1;
        return counts;
    }

private:
    std::vector<Table*> allTables() {
        return {cidade_.get(),   empresa_.get(),    usuarios_.get(), pessoa_.get(),   vendedores_.get(),
                produto_.get(),  serial_.get(),     forma_.get(),    vendas_.get(),   vendasDetalhe_.get(),
                fpg_.get(),      nfe_.get(),        nfeDetalhe_.get(), nfce_.get(),   caixa_.get(),
                contas_.get(),   movimento_.get(),  creceber_.get(), cpagar_.get(),   compra_.get()};
    }

    void prepare(FbTransaction& tr) {
        auto t = [&](const char* name, const char* cols) { return std::make_unique<Table>(db_, tr, name, cols); };
        cidade_ = t("cidade", "codigo, nome, coduf, uf");
        empresa_ = t("empresa", "codigo, cnpj, fantasia, razao, responsavel_empresa, email, usa_pdv, id_cidade");
        usuarios_ = t("usuarios", "codigo, login, ativo");
        pessoa_ = t("pessoa", "codigo, razao, ativo, cli, forn");
        vendedores_ = t("vendedores", "codigo, nome");
        produto_ = t("produto", "codigo, descricao, codbarra, pr_custo2, qtd_atual, qtd_min, ativo, restautante");
        serial_ = t("produto_serial", "codigo, id_produto, numero_serie, quantidade, situacao, data_baixa");
        forma_ = t("forma_pagamento", "codigo, descricao");
        vendas_ = t("vendas_master", "codigo, data_emissao, hora, situacao, total, flag_nfce, lote, fk_caixa, fk_usuario");
        vendasDetalhe_ = t("vendas_detalhe", "codigo, fkvenda, id_produto, qtd, preco, vdesconto, total, pr_custo, situacao");
        fpg_ = t("vendas_fpg", "codigo, vendas_master, id_forma, tipo, situacao, valor, total");
        nfe_ = t("nfe_master", "codigo, numero, nome, situacao, total, data_emissao, fk_usuario, importou");
        nfeDetalhe_ = t("nfe_detalhe", "codigo, fknfe, id_produto, qtd, preco, desconto, total");
        nfce_ = t("nfce_master", "codigo, situacao, total, data_emissao, fk_venda");
        caixa_ = t("caixa", "codigo, emissao, entrada, saida");
        contas_ = t("contas", "codigo, descricao, data_abertura, id_usuario, lote, tipo, situacao");
        movimento_ = t("contas_movimento", "codigo, lote, id_usuario, hora, historico, entrada, saida");
        creceber_ = t("creceber", "codigo, fkcliente, id_vendedor, doc, historico, dtvencimento, valor, data_recebimento, vrecebido, situacao");
        cpagar_ = t("cpagar", "codigo, fkfornece, doc, historico, dtvencimento, valor, data_pagamento, situacao");
        compra_ = t("compra", "id, nr_nota, dtemissao, status, total");
    }

    // ------------------------------------------------------------ registrations

    void company() {
        cidade_->row(3548500, std::string("SANTOS"), 35, std::string("SP"));
        cidade_->row(3551009, std::string("SÃO VICENTE"), 35, std::string("SP"));
        cidade_->row(3518701, std::string("GUARUJÁ"), 35, std::string("SP"));
        cidade_->row(3541000, std::string("PRAIA GRANDE"), 35, std::string("SP"));
        cidade_->row(3513504, std::string("CUBATÃO"), 35, std::string("SP"));
        empresa_->row(1, demoCnpj(o_.seed), std::string("EMPÓRIO SÃO BENTO"),
                      std::string("EMPÓRIO SÃO BENTO COMÉRCIO DE ALIMENTOS LTDA"), std::string("MARIA APARECIDA BENTO"),
                      std::string("contato@emporiosaobento.com.br"), std::string("S"), 3548500);
        // The ERP's settings row; the store link fields stay empty until a store is set up.
        db_.exec("insert into config (codigo) values (1)");

        // Two cashiers, the owner, the clerk who issues the NF-e, and a former cashier.
        usuarios_->row(1, std::string("ADMIN"), std::string("S"));
        usuarios_->row(2, std::string("ANA.CAIXA"), std::string("S"));
        usuarios_->row(3, std::string("BRUNO.CAIXA"), std::string("S"));
        usuarios_->row(4, std::string("CARLA.FISCAL"), std::string("S"));
        usuarios_->row(5, std::string("DIEGO"), std::string("N"));

        const char* const formas[] = {"DINHEIRO", "CARTÃO DE CRÉDITO", "CARTÃO DE DÉBITO", "PIX", "A PRAZO (CREDIÁRIO)",
                                      "CHEQUE", "CONVÊNIO", "VALE REFEIÇÃO", "VALE COMBUSTÍVEL", "CARTÃO DE CRÉDITO PARCELADO"};
        for (int i = 0; i < int(std::size(formas)); ++i) forma_->row(i + 1, std::string(formas[i]));

        const int sellers = 4 + int(o_.sales / 50000);
        for (int i = 1; i <= sellers; ++i) vendedores_->row(i, upperPerson(rng_));
        sellers_ = sellers;
    }

    void people() {
        int codigo = 0;
        pessoa_->row(++codigo, std::string("CONSUMIDOR FINAL"), std::string("S"), std::string("S"), std::string("N"));
        const int people = std::clamp(60 + o_.sales / 40, 60, 8000);
        for (int i = 0; i < people; ++i) {
            const bool active = rng_.chance(0.93);
            pessoa_->row(++codigo, upperPerson(rng_), std::string(active ? "S" : "N"), std::string("S"), std::string("N"));
            if (active) customers_.push_back(codigo);
        }
        const int businesses = std::max(10, people / 10);
        for (int i = 0; i < businesses; ++i) {
            std::string name = kBusinessKinds[rng_.range(0, std::size(kBusinessKinds) - 1)];
            name += ' ';
            name += kBusinessNames[rng_.range(0, std::size(kBusinessNames) - 1)];
            name += rng_.chance(0.7) ? " LTDA" : " ME";
            businessNames_.push_back(name);
            pessoa_->row(++codigo, name, std::string("S"), std::string("S"), std::string("N"));
            businesses_.push_back(codigo);
        }
        const int suppliers = std::clamp(12 + o_.sales / 5000, 12, 80);
        for (int i = 0; i < suppliers; ++i) {
            std::string name = kSupplierKinds[rng_.range(0, std::size(kSupplierKinds) - 1)];
            name += ' ';
            name += kSurnames[rng_.range(0, std::size(kSurnames) - 1)];
            name += " LTDA";
            const bool active = i < 3 || rng_.chance(0.9);
            // A few suppliers also buy from the shop.
            pessoa_->row(++codigo, name, std::string(active ? "S" : "N"), std::string(rng_.chance(0.1) ? "S" : "N"),
                         std::string("S"));
            suppliers_.push_back(codigo);
        }
        for (const char* service : {"CIA PAULISTA DE ENERGIA", "SANEAMENTO BÁSICO DO LITORAL", "FIBRA LITORAL TELECOM",
                                    "IMOBILIÁRIA CENTRO SANTOS", "ESCRITÓRIO CONTÁBIL EXATO"}) {
            pessoa_->row(++codigo, std::string(service), std::string("S"), std::string("N"), std::string("S"));
            services_.push_back(codigo);
        }
    }

    void catalogue() {
        const int target = o_.products > 0 ? std::max(o_.products, int(std::size(kFixed)))
                                           : std::clamp(120 + o_.sales / 150, 120, 3000);
        int codigo = 0;
        auto add = [&](std::string name, const ProductTemplate& t, double priceFactor) {
            Product p;
            p.codigo = ++codigo;
            p.descricao = std::move(name);
            p.kind = t.kind;
            p.priceCents = std::max<std::int64_t>(50, std::llround(t.priceCents * priceFactor / 10.0) * 10 - 1);
            const double markup = t.kind == ProductTemplate::Serial ? 1.25 + 0.2 * rng_.unit() : 1.3 + 0.6 * rng_.unit();
            p.costTenThousandths = std::llround(double(p.priceCents) * 100.0 / markup);
            p.popularity = t.popularity * (0.4 + 1.2 * rng_.unit());
            products_.push_back(p);
        };
        for (const ProductTemplate& t : kFixed) add(t.name, t, 1.0);
        const int shelf = int(std::size(kShelf)), brands = int(std::size(kBrands));
        for (int i = 0; codigo < target; ++i) {
            const ProductTemplate& t = kShelf[i % shelf];
            const int brand = (i / shelf) % brands;
            const int pack = i / (shelf * brands);
            std::string name = std::string(t.name) + " " + kBrands[brand];
            double factor = 0.85 + 0.35 * rng_.unit();
            if (pack > 0) {
                const int units = 6 * (pack + 1);
                name += " CX C/" + std::to_string(units);
                factor *= units * 0.92;
            }
            add(name, t, factor);
        }

        std::vector<double> weights;
        for (const Product& p : products_) weights.push_back(p.popularity);
        productPick_ = std::make_unique<Weighted>(weights);
        std::vector<double> wholesale;
        for (const Product& p : products_)
            wholesale.push_back(p.kind == ProductTemplate::Grocery ? p.popularity : 0.0);
        wholesalePick_ = std::make_unique<Weighted>(wholesale);

        for (const Product& p : products_) {
            const bool weighed = p.kind == ProductTemplate::ByWeight;
            const bool snack = p.kind == ProductTemplate::SnackBar;
            const std::int64_t stock = weighed ? rng_.range(2000, 60000) : rng_.range(0, 180) * 1000;
            const std::int64_t minimum = snack ? 10000 : rng_.range(2, 20) * 1000;
            // The snack bar's items count in the low-stock figure when they run short.
            const std::int64_t snackStock = rng_.chance(0.4) ? rng_.range(0, 9) * 1000 : rng_.range(15, 60) * 1000;
            const bool active = snack || rng_.chance(0.96);
            // Snack bar items are made on the spot and have no barcode.
            if (snack)
                produto_->row(p.codigo, p.descricao, Null{}, Cost{p.costTenThousandths}, Qty{snackStock}, Qty{minimum},
                              std::string("S"), std::string("S"));
            else
                produto_->row(p.codigo, p.descricao, ean13(p.codigo, rng_), Cost{p.costTenThousandths}, Qty{stock},
                              Qty{minimum}, std::string(active ? "S" : "N"), std::string("N"));
        }
    }

    // ------------------------------------------------------------ day by day

    static double dayWeight(const QDate& d) {
        static const double dow[] = {0, 0.9, 0.9, 1.0, 1.0, 1.2, 1.45, 0.55};  // Monday = 1
        static const double month[] = {0, 0.85, 0.85, 0.95, 1.0, 1.1, 1.0, 1.0, 1.0, 1.0, 1.0, 1.1, 1.5};
        return dow[d.dayOfWeek()] * month[d.month()];
    }

    void days() {
        const int ndays = int(first_.daysTo(today_)) + 1;
        std::vector<double> saleWeights, nfeWeights;
        for (int i = 0; i < ndays; ++i) {
            const QDate d = first_.addDays(i);
            const double trend = 0.9 + 0.2 * i / double(ndays);
            saleWeights.push_back(dayWeight(d) * trend * (0.85 + 0.3 * rng_.unit()));
            nfeWeights.push_back(d.dayOfWeek() == 7 ? 0.0 : d.dayOfWeek() == 6 ? 0.3 : 1.0);
        }
        std::vector<int> sales = allocate(o_.sales, saleWeights);
        std::vector<int> notes = allocate(o_.nfe > 0 ? o_.nfe : std::max(12, o_.sales / 40), nfeWeights);
        // Today always has a few sales on both registers and a note, whatever the size; the
        // sales are taken from the busiest days so the total stays as asked.
        while (sales.back() < std::min(8, o_.sales)) {
            auto busiest = std::max_element(sales.begin(), sales.end() - 1);
            --*busiest;
            ++sales.back();
        }
        notes.back() = std::max(notes.back(), 1);

        for (int i = 0; i < ndays; ++i) {
            const QDate d = first_.addDays(i);
            day(d, sales[size_t(i)]);
            for (int n = 0; n < notes[size_t(i)]; ++n) nfeNote(d);
        }
    }

    void movement(const Register& r, const QTime& t, const std::string& historico, std::int64_t in, std::int64_t out) {
        movimento_->row(movimento_->rows() + 1, r.lote, r.user, t, historico, Money{in}, Money{out});
    }

    void day(const QDate& d, int count) {
        const bool isToday = d == today_;
        // Register 2 was Diego's until he left, four months ago.
        Register regs[2] = {{1}, {2}};
        regs[0].user = 2;
        regs[1].user = first_.daysTo(d) < 245 ? 5 : 3;
        std::int64_t floats = 0;
        for (Register& r : regs) {
            r.lote = ++lote_;
            const std::int64_t opening = r.conta == 1 ? 20000 : 15000;
            r.cash = opening;
            floats += opening;
            movement(r, QTime(7, int(rng_.range(40, 58)), int(rng_.range(0, 59))), "ABERTURA DE CAIXA", opening, 0);
        }
        if (isToday) {
            todayLotes_ = {regs[0].lote, regs[1].lote};
            todayUsers_ = {regs[0].user, regs[1].user};
        }

        static const std::vector<double> hourWeights = {0.5, 0.8, 1.0, 1.3, 1.4, 1.1, 0.8, 0.8, 0.9, 1.2, 1.3, 0.9};
        static const Weighted hours(hourWeights);
        std::vector<int> times;
        for (int i = 0; i < count; ++i)
            times.push_back((8 + hours.pick(rng_)) * 3600 + int(rng_.range(0, 3599)));
        std::sort(times.begin(), times.end());

        int n = 0;
        for (int secs : times) {
            // Both registers work; the first one takes most customers. Today's first sales go one
            // to each register so both open registers show takings.
            Register& r = regs[(isToday && n < 2) ? n : (rng_.chance(0.6) ? 0 : 1)];
            ++n;
            const QTime t = QTime(0, 0).addSecs(secs);
            if (!r.sangriaDone && t.hour() >= 15 && r.cash > 100000) {
                const std::int64_t amount = (r.cash - 20000) / 5000 * 5000;
                movement(r, t.addSecs(-60), "SANGRIA", 0, amount);
                r.cash -= amount;
                r.sangrias += amount;
                r.sangriaDone = true;
            }
            sale(d, t, r);
        }

        std::int64_t bookIn = 0;
        for (Register& r : regs) {
            bookIn += r.sangrias;
            if (isToday) continue;  // today's registers stay open
            movement(r, QTime(20, int(rng_.range(0, 25)), int(rng_.range(0, 59))), "FECHAMENTO DE CAIXA", 0, r.cash);
            bookIn += r.cash;
        }
        // The cash book: the floats go out in the morning, the takings come in at night, and the
        // day's small expenses.
        caixa_->row(caixa_->rows() + 1, d, Money{0}, Money{floats});
        if (bookIn > 0) caixa_->row(caixa_->rows() + 1, d, Money{bookIn}, Money{0});
        for (int e = int(rng_.range(0, 2)); e > 0; --e)
            caixa_->row(caixa_->rows() + 1, d, Money{0}, Money{rng_.range(1000, 15000 + std::int64_t(5000 * scale_))});
        monthRevenue_[d.year() * 100 + d.month()] += dayRevenue_;
        dayRevenue_ = 0;
    }

    struct Line {
        Product* product;
        std::int64_t qtyMilli, discount, total;
        bool cancelled;
    };

    std::int64_t lineQuantity(const Product& p) {
        if (p.kind == ProductTemplate::ByWeight) return rng_.range(30, 300) * 5;
        if (p.kind == ProductTemplate::Serial) return 1000;
        const double x = rng_.unit();
        return (x < 0.7 ? 1 : x < 0.88 ? 2 : rng_.range(3, 6)) * 1000;
    }

    void sale(const QDate& d, const QTime& t, Register& r) {
        static const Weighted itemCounts({28, 24, 18, 13, 9, 8});
        int items = itemCounts.pick(rng_) + 1;
        if (items == 6) items = int(rng_.range(6, 12));
        const bool cancelled = rng_.chance(0.03);
        const int codigo = ++saleCode_;

        std::vector<Line> lines;
        std::int64_t total = 0;
        for (int i = 0; i < items; ++i) {
            Product& p = products_[size_t(productPick_->pick(rng_))];
            Line l{&p, lineQuantity(p), 0, 0, cancelled};
            const std::int64_t gross = roundDiv(l.qtyMilli * p.priceCents, 1000);
            if (rng_.chance(0.06)) l.discount = roundDiv(gross * (rng_.chance(0.5) ? 5 : 10), 100);
            l.total = std::max<std::int64_t>(1, gross - l.discount);
            // An item taken back at the register before the sale closed.
            if (!cancelled && items > 1 && i > 0 && rng_.chance(0.015)) l.cancelled = true;
            if (!l.cancelled || cancelled) total += l.total;
            lines.push_back(l);
        }
        const char situacao = cancelled ? 'C' : 'F';
        const bool nfce = rng_.chance(0.45);
        vendas_->row(codigo, d, t, std::string(1, situacao), Money{total}, std::string(nfce ? "S" : "N"), r.lote, r.conta,
                     r.user);
        for (const Line& l : lines) {
            vendasDetalhe_->row(vendasDetalhe_->rows() + 1, codigo, l.product->codigo, Qty{l.qtyMilli},
                                Money{l.product->priceCents}, Money{l.discount}, Money{l.total},
                                Cost{l.product->costTenThousandths}, std::string(l.cancelled ? "C" : "F"));
            if (l.product->kind == ProductTemplate::Serial)
                soldSerial(*l.product, cancelled ? 'C' : 'B', d);
        }
        if (nfce) {
            const char s = cancelled ? 'C' : rng_.chance(0.02) ? 'O' : 'T';
            nfce_->row(nfce_->rows() + 1, std::string(1, s), Money{total}, d, codigo);
        }

        // Payments: one line, sometimes split in two.
        static const Weighted payPick([] {
            std::vector<double> w;
            for (const PayType& p : kPayTypes) w.push_back(p.weight);
            return w;
        }());
        const PayType& first = kPayTypes[payPick.pick(rng_)];
        std::vector<std::pair<const PayType*, std::int64_t>> parts;
        if (total >= 2000 && rng_.chance(0.1)) {
            const std::int64_t a = roundDiv(total * rng_.range(30, 70), 100);
            static const PayType* const second[] = {&kPayTypes[0], &kPayTypes[3], &kPayTypes[2]};
            const PayType* s = second[rng_.range(0, 2)];
            if (s->tipo == first.tipo) s = first.tipo == 'D' ? &kPayTypes[3] : &kPayTypes[0];
            parts = {{&first, a}, {s, total - a}};
        } else {
            parts = {{&first, total}};
        }
        for (const auto& [type, amount] : parts) {
            const int forma = type->tipo == 'C' && amount > 30000 && rng_.chance(0.4) ? 10 : type->forma;
            fpg_->row(fpg_->rows() + 1, codigo, forma, std::string(1, type->tipo), std::string(1, situacao),
                      Money{amount}, Money{amount});
            if (type->tipo == 'D') {
                movement(r, t, "VENDA " + std::to_string(codigo), amount, 0);
                r.cash += amount;
                if (cancelled) {
                    movement(r, t.addSecs(int(rng_.range(60, 900))), "CANCELAMENTO VENDA " + std::to_string(codigo), 0, amount);
                    r.cash -= amount;
                }
            }
            if (type->tipo == 'T' && !cancelled)
                installments(rng_.pick(customers_), int(rng_.range(1, sellers_)), "VD" + std::to_string(codigo),
                             "VENDA " + std::to_string(codigo), amount, d, 30, amount < 15000 ? 1 : amount < 40000 ? 2 : 3);
        }
        if (!cancelled) dayRevenue_ += total;
    }

    void soldSerial(Product& p, char situacao, const QDate& d) {
        serial_->row(serial_->rows() + 1, p.codigo, serialNumber(p), Qty{1000}, std::string(1, situacao), d);
    }

    std::string serialNumber(Product& p) {
        // Phones carry a 15-digit IMEI; the rest a maker's serial.
        if (p.descricao.rfind("CELULAR", 0) == 0)
            return "35" + pad(p.codigo, 4) + pad(rng_.range(0, 999999999), 9);
        return "SN" + pad(p.codigo, 4) + "-" + pad(++p.serialSeq, 6);
    }

    // Receivables of a sale or note paid in instalments every `step` days.
    void installments(int cliente, int vendedor, const std::string& doc, const std::string& historico,
                      std::int64_t amount, const QDate& d, int step, int count) {
        std::int64_t left = amount;
        for (int k = 1; k <= count; ++k) {
            const std::int64_t valor = k == count ? left : amount / count;
            left -= valor;
            const QDate due = d.addDays(step * k);
            QDate received;
            std::int64_t vrecebido = 0;
            char situacao = 'A';
            if (due < today_) {
                const double x = rng_.unit();
                if (x < 0.85) {
                    received = std::min(today_, std::max(d.addDays(1), due.addDays(rng_.range(-3, 12))));
                    vrecebido = due.daysTo(received) > 5 ? roundDiv(valor * 102, 100) : valor;
                    situacao = 'Q';
                } else if (x < 0.88) {
                    situacao = 'T';  // renegotiated into a new bill
                }
            } else if (rng_.chance(0.04)) {
                received = std::max(d.addDays(1), today_.addDays(-rng_.range(0, 5)));
                if (received > today_) received = today_;
                vrecebido = valor;
                situacao = 'Q';
            }
            creceber_->row(creceber_->rows() + 1, cliente, vendedor,
                           doc + "/" + std::to_string(k), historico + " PARC " + std::to_string(k) + "/" + std::to_string(count),
                           due, Money{valor}, received, received.isValid() ? Money{vrecebido} : Money{0},
                           std::string(1, situacao));
        }
    }

    void nfeNote(const QDate& d) {
        const int codigo = int(nfe_->rows()) + 1;
        const size_t who = size_t(rng_.range(0, std::int64_t(businesses_.size()) - 1));
        const char situacao = rng_.chance(0.05) ? '3' : '2';
        const int lines = int(rng_.range(2, 8));
        std::int64_t total = 0;
        for (int i = 0; i < lines; ++i) {
            const Product& p = products_[size_t(wholesalePick_->pick(rng_))];
            const std::int64_t qty = rng_.range(1, 8) * 6 * 1000;
            const std::int64_t preco = roundDiv(p.priceCents * 92, 100);
            const std::int64_t gross = qty / 1000 * preco;
            const std::int64_t desconto = rng_.chance(0.2) ? roundDiv(gross * 3, 100) : 0;
            nfeDetalhe_->row(nfeDetalhe_->rows() + 1, codigo, p.codigo, Qty{qty}, Money{preco}, Money{desconto},
                             Money{gross - desconto});
            total += gross - desconto;
        }
        const double x = rng_.unit();
        const char* importou = x < 0.88 ? "N" : x < 0.96 ? "S" : "D";
        nfe_->row(codigo, 1000 + codigo, businessNames_[who], std::string(1, situacao), Money{total}, d,
                  rng_.chance(0.7) ? 4 : 1, std::string(importou));
        if (situacao == '2') {
            if (rng_.chance(0.5))
                installments(businesses_[who], int(rng_.range(1, sellers_)), "NF" + std::to_string(1000 + codigo),
                             "NF-E " + std::to_string(1000 + codigo), total, d, 28, total > 100000 ? 2 : 1);
            monthRevenue_[d.year() * 100 + d.month()] += total;
        }
    }

    // ------------------------------------------------------------ purchases and bills

    void bill(int fornecedor, const std::string& doc, const std::string& historico, const QDate& due,
              std::int64_t valor, bool cancelled) {
        QDate paid;
        char situacao = 'A';
        if (cancelled) {
            situacao = 'X';
        } else if (due < today_) {
            if (rng_.chance(0.95)) {
                paid = due.addDays(-rng_.range(0, 3));
                situacao = 'Q';
            }
        } else if (today_.daysTo(due) <= 7 && rng_.chance(0.1)) {
            paid = today_;
            situacao = 'Q';
        }
        if (fornecedor > 0)
            cpagar_->row(cpagar_->rows() + 1, fornecedor, doc, historico, due, Money{valor}, paid, std::string(1, situacao));
        else
            cpagar_->row(cpagar_->rows() + 1, Null{}, doc, historico, due, Money{valor}, paid, std::string(1, situacao));
    }

    void purchasesAndBills() {
        const int ndays = int(first_.daysTo(today_)) + 1;
        std::vector<double> weights;
        for (int i = 0; i < ndays; ++i) weights.push_back(first_.addDays(i).dayOfWeek() >= 6 ? 0.0 : 1.0);
        const std::vector<int> perDay = allocate(std::max(24, o_.sales / 60), weights);
        std::map<int, int> perMonth;
        for (int i = 0; i < ndays; ++i) {
            const QDate d = first_.addDays(i);
            perMonth[d.year() * 100 + d.month()] += perDay[size_t(i)];
        }
        int id = 0;
        std::int64_t nota = 40000 + rng_.range(0, 9999);
        const int total = std::accumulate(perDay.begin(), perDay.end(), 0);
        for (int i = 0; i < ndays; ++i) {
            const QDate d = first_.addDays(i);
            const int key = d.year() * 100 + d.month();
            for (int n = 0; n < perDay[size_t(i)]; ++n) {
                ++id;
                nota += rng_.range(1, 40);
                // The shop restocks about 62% of what it sells.
                const std::int64_t base = monthRevenue_[key] * 62 / 100 / std::max(1, perMonth[key]);
                const std::int64_t valor = std::max<std::int64_t>(30000, roundDiv(base * rng_.range(65, 135), 100));
                char status = rng_.chance(0.03) ? 'C' : 'F';
                if (id > total - 2) status = 'A';  // the last two are still being typed in
                compra_->row(id, nota, d, std::string(1, status), Money{valor});
                if (status == 'A') continue;
                const int fornecedor = suppliers_[size_t(rng_.range(0, std::int64_t(suppliers_.size()) - 1))];
                const int parts = valor < 100000 ? 1 : valor < 400000 ? 2 : 3;
                std::int64_t left = valor;
                for (int k = 1; k <= parts; ++k) {
                    const std::int64_t v = k == parts ? left : valor / parts;
                    left -= v;
                    bill(fornecedor, "NF " + std::to_string(nota) + "/" + std::to_string(k),
                         "COMPRA NF " + std::to_string(nota) + " PARC " + std::to_string(k) + "/" + std::to_string(parts),
                         d.addDays(28 * k), v, status == 'C');
                }
            }
        }

        // The fixed monthly bills, from the first month up to two months ahead.
        const double size = std::sqrt(scale_);
        QDate month(first_.year(), first_.month(), 1);
        const QDate last = QDate(today_.year(), today_.month(), 1).addMonths(2);
        for (; month <= last; month = month.addMonths(1)) {
            const std::string mm = pad(month.month(), 2) + "/" + std::to_string(month.year());
            const int prevKey = month.addMonths(-1).year() * 100 + month.addMonths(-1).month();
            const std::int64_t prevRevenue = monthRevenue_.count(prevKey) ? monthRevenue_[prevKey] : 0;
            bill(services_[3], "ALUG-" + mm, "ALUGUEL " + mm, month.addDays(4), std::llround(280000 * std::max(1.0, size)) / 100 * 100, false);
            bill(services_[0], "EE-" + mm, "ENERGIA ELÉTRICA " + mm, month.addDays(11),
                 std::llround(rng_.range(48000, 76000) * std::max(1.0, size)), false);
            bill(services_[1], "AG-" + mm, "ÁGUA E ESGOTO " + mm, month.addDays(14), rng_.range(9500, 18000), false);
            bill(services_[2], "NET-" + mm, "INTERNET E TELEFONE " + mm, month.addDays(19), 18990, false);
            bill(services_[4], "CONT-" + mm, "HONORÁRIOS CONTÁBEIS " + mm, month.addDays(9), 65000, false);
            bill(0, "FOLHA-" + mm, "FOLHA DE PAGAMENTO " + mm, month.addDays(4),
                 std::llround(141200 * (3 + 2 * size)), false);
            if (prevRevenue > 0)
                bill(0, "DAS-" + mm, "SIMPLES NACIONAL " + mm, month.addDays(19), roundDiv(prevRevenue * 6, 100), false);
        }
    }

    void serialStock() {
        std::vector<Product*> serials;
        for (Product& p : products_)
            if (p.kind == ProductTemplate::Serial) serials.push_back(&p);
        // Items sent back to the maker under warranty, a few every month.
        for (QDate month(first_.year(), first_.month(), 1); month <= today_; month = month.addMonths(1)) {
            for (int n = int(rng_.range(1, 3)); n > 0; --n) {
                Product& p = *serials[size_t(rng_.range(0, std::int64_t(serials.size()) - 1))];
                QDate d = month.addDays(rng_.range(0, month.daysInMonth() - 1));
                d = std::clamp(d, first_, today_);
                serial_->row(serial_->rows() + 1, p.codigo, serialNumber(p), Qty{1000}, std::string("G"), d);
            }
        }
        // What is on the shelf.
        for (Product* p : serials) {
            for (int n = int(rng_.range(2, 6)); n > 0; --n)
                serial_->row(serial_->rows() + 1, p->codigo, serialNumber(*p), Qty{1000}, std::string("D"), QDate());
        }
    }

    void registers() {
        contas_->row(1, std::string("CAIXA 01"), today_, todayUsers_[0], todayLotes_[0], std::string("S"), std::string("A"));
        contas_->row(2, std::string("CAIXA 02"), today_, todayUsers_[1], todayLotes_[1], std::string("S"), std::string("A"));
        // An old register, closed for good, and two accounts that are not registers.
        contas_->row(3, std::string("CAIXA 03 (LANCHONETE)"), first_.addDays(10), 1, 1, std::string("S"), std::string("F"));
        contas_->row(4, std::string("BANCO - CONTA MOVIMENTO"), first_, 1, 0, std::string("B"), std::string("A"));
        contas_->row(5, std::string("COFRE"), first_, 1, 0, std::string("C"), std::string("A"));
    }

    FbDatabase& db_;
    DemoOptions o_;
    Rng rng_;
    QDate today_, first_;
    double scale_ = 1;

    std::unique_ptr<Table> cidade_, empresa_, usuarios_, pessoa_, vendedores_, produto_, serial_, forma_, vendas_,
        vendasDetalhe_, fpg_, nfe_, nfeDetalhe_, nfce_, caixa_, contas_, movimento_, creceber_, cpagar_, compra_;

    std::vector<Product> products_;
    std::unique_ptr<Weighted> productPick_, wholesalePick_;
    std::vector<int> customers_, businesses_, suppliers_, services_;
    std::vector<std::string> businessNames_;
    int sellers_ = 4;
    int saleCode_ = 0;
    int lote_ = 0;
    std::array<int, 2> todayLotes_{}, todayUsers_{};
    std::int64_t dayRevenue_ = 0;
    std::map<int, std::int64_t> monthRevenue_;
};

}  // namespace

std::string demoCnpj(std::uint64_t seed) {
    Rng rng(seed);
    std::string d = pad(rng.range(10000000, 99999999), 8) + "0001";
    for (int round = 0; round < 2; ++round) {
        static const int w1[] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
        static const int w2[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
        const int* w = round == 0 ? w1 : w2;
        int sum = 0;
        for (size_t i = 0; i < d.size(); ++i) sum += (d[i] - '0') * w[i];
        const int r = sum % 11;
        d += char('0' + (r < 2 ? 0 : 11 - r));
    }
    return d;
}

DemoCounts generateDemoShop(FbDatabase& db, const DemoOptions& options) {
    ShopGenerator g(db, options);
    return g.run();
}

}  // namespace velorix::demo
