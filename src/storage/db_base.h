#pragma once
// A database connection: connect with a connection string, disconnect, and
// whether it is connected.

class CDBBase {
public:
    virtual ~CDBBase() = default;

    // 1 connected; 0 not (the implementation records why).
    virtual int Connect(const char* connectionString) = 0;
    // 1 closed cleanly; 0 nothing was open or the close failed.
    virtual int Disconnect() = 0;

    // 1 after a successful Connect, 0 after Disconnect and at construction.
    int IsConnected() const { return m_isConnected; }

protected:
    int m_isConnected = 0;
};
