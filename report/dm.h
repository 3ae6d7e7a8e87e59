#pragma once

// The data module: the program's one database connection `Galvora`, with the stored settings
// and parameter list of the ERP's connection to a company database, and the report query
// `QRepcliente` whose SQL text the report's provider sets at every open.

#include <memory>

class TSQLConnection;
class TSQLQuery;

class Tfdm {
 public:
  // Creates the connection (closed) and the query; makes this the single instance `fdm`.
  Tfdm();
  // Closes the connection and clears `fdm`.
  ~Tfdm();
  Tfdm(const Tfdm&) = delete;
  Tfdm& operator=(const Tfdm&) = delete;

  std::unique_ptr<TSQLConnection> Galvora;
  std::unique_ptr<TSQLQuery> QRepcliente;
};

// Gives `connection` the stored settings and the 13-line parameter list of `Galvora`.
void SetupGalvoraConnection(TSQLConnection& connection);

// The single instance, set while one exists.
extern Tfdm* fdm;
