#pragma once
// The store database connection (the online store's MySQL/MariaDB server). Parameters are set by
// name as the start-up preparation and the stock push need them; the connection itself is opened
// and closed by the order watch and the stock push.

#include <QString>

#include <array>
#include <optional>
#include <stdexcept>

struct st_mysql;

namespace velorix {

enum class StoreParam { Server, User_Name, Database, Password, AuthPlugin, CharacterSet };

// An error of the store database layer; what() is the server's or the client library's message.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class StoreConnection {
public:
    // The password the connection carries when the ERP holds none.
    static constexpr const char* BuiltInPassword = "Tolvenar#6032";

    StoreConnection();
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // Changing a parameter of an open connection closes it; the next open() uses the new value.
    void setParam(StoreParam p, const QString& value);
    // Unset parameters leave the client library's default in force (no value here); Password is
    // never unset.
    std::optional<QString> param(StoreParam p) const;

    // Opens the connection with the current parameters (closing an open one first).
    // Throws StoreError with the client library's message.
    void open();
    void close();
    bool connected() const { return mysql_ != nullptr; }
    // The open connection's handle (null when closed).
    st_mysql* handle() const { return mysql_; }
    // The server's id of the open connection (0 when closed).
    unsigned long threadId() const;

    // A message with the credentials (user name, database, password) masked: the ERP keeps them
    // scrambled, and the server names the user and the database in its refusals.
    QString redacted(const QString& message) const;

    // Seconds; the whole program waits while the store database answers.
    unsigned connectTimeoutSecs = 15;
    unsigned ioTimeoutSecs = 120;

private:
    std::array<std::optional<QString>, 6> params_;
    st_mysql* mysql_ = nullptr;
};

// "host", "host:port", "[v6]" or "[v6]:port"; a bare IPv6 address is all host. Port 0 means the
// client library's default. Throws StoreError on a port that is not 1..65535.
struct StoreAddress {
    QString host;
    unsigned port = 0;
    static StoreAddress parse(const QString& server);
};

}  // namespace velorix
