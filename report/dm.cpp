#include "report/dm.h"

#include "data/SqlExpr.h"

Tfdm* fdm = nullptr;

void SetupGalvoraConnection(TSQLConnection& galvora) {
  galvora.SetName("Galvora");
  galvora.SetConnectionName("IBLocal");
  galvora.SetDriverName("Interbase");
  galvora.SetGetDriverFunc("getSQLDriverINTERBASE");
  galvora.SetLibraryName("libibdriver.so");
  galvora.SetVendorLib("libfbclient.so.2");
  galvora.SetLoginPrompt(false);
  galvora.Params().Clear();
  for (const char* line :
       {"BlobSize=-1", "CommitRetain=False", "Database=C:\\GALVORA2025\\DATOS\\001\\GALVORA.FDB",
        "DriverName=Interbase", "ErrorResourceFile=", "LocaleCode=0000", "Password=bluefjord",
        "RoleName=RoleName", "ServerCharSet=", "SQLDialect=3",
        "Interbase TransIsolation=ReadCommited", "User_Name=sysdba", "WaitOnLocks=True"}) {
    galvora.Params().Add(line);
  }
}

Tfdm::Tfdm()
    : Galvora(std::make_unique<TSQLConnection>()), QRepcliente(std::make_unique<TSQLQuery>("QRepcliente")) {
  SetupGalvoraConnection(*Galvora);
  QRepcliente->SetSQLConnection(Galvora.get());
  QRepcliente->SetMaxBlobSize(-1);
  fdm = this;
}

Tfdm::~Tfdm() {
  QRepcliente->Close();
  Galvora->Close();
  if (fdm == this) fdm = nullptr;
}
