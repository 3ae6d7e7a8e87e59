/* Poultry tables of the company database. Created in a WIN1252 database, so every
   text column holds Windows-1252 text. */

/* Warehouses (bodegas): a laying house or farm unit. The two-character code is what the
   operator sees; the internal id keeps warehouses apart when codes repeat. */
CREATE TABLE BODEGAS (
  BODE_ID      INTEGER     NOT NULL,
  BODE_CODIGO  VARCHAR(2)  NOT NULL,
  BODE_NOMBRE  VARCHAR(60) NOT NULL,
  CONSTRAINT PK_BODEGAS PRIMARY KEY (BODE_ID)
);

/* Inventory items: birds, eggs, feed, vaccines and other inputs. Items are grouped by
   their leading characters (e.g. every vaccine code begins with the vaccines code). */
CREATE TABLE ITEMS (
  ITEM_CODIGO  VARCHAR(15) NOT NULL,
  ITEM_NOMBRE  VARCHAR(60) NOT NULL,
  ITEM_UNIDAD  VARCHAR(4)  NOT NULL,
  CONSTRAINT PK_ITEMS PRIMARY KEY (ITEM_CODIGO)
);

/* Inventory movements: one line of an entry (E) or exit (S) document. The document
   prefix tells its kind (egg production entries, bird exits, sales invoices, ...). */
CREATE TABLE MOVINVENTARIO (
  MOVI_ID        INTEGER       NOT NULL,
  MOVI_FECHA     DATE          NOT NULL,
  MOVI_BODEGA    INTEGER       NOT NULL,
  MOVI_PREFIJO   VARCHAR(4)    NOT NULL,
  MOVI_NUMERO    INTEGER       NOT NULL,
  MOVI_ITEM      VARCHAR(15)   NOT NULL,
  MOVI_TIPO      CHAR(1)       NOT NULL,
  MOVI_CANTIDAD  NUMERIC(15,2) NOT NULL,
  MOVI_VALOR     NUMERIC(15,2) NOT NULL,
  CONSTRAINT CK_MOVI_TIPO CHECK (MOVI_TIPO IN ('E', 'S'))
);

/* Period costs charged to a warehouse: direct labour (MOD), indirect labour (MOI),
   indirect costs (CIF) and amortisation of buildings and equipment (AMO). */
CREATE TABLE COSTOSBODEGA (
  COBO_ID        INTEGER       NOT NULL,
  COBO_FECHA     DATE          NOT NULL,
  COBO_BODEGA    INTEGER       NOT NULL,
  COBO_CONCEPTO  VARCHAR(4)    NOT NULL,
  COBO_VALOR     NUMERIC(15,2) NOT NULL,
  CONSTRAINT CK_COBO_CONCEPTO CHECK (COBO_CONCEPTO IN ('MOD', 'MOI', 'CIF', 'AMO'))
);

/* Parameters of the poultry cost report, edited from the report window. The codes are
   item code beginnings (birds, eggs, feed, vaccines, other inputs); PREFEP is the document
   prefix of egg production entries and PREFSA that of bird exits (mortality and culls);
   VRAMOR is the value of one bird and PORCA1 the percentage of it amortised per period. */
CREATE TABLE CONFIGURA_COSTOS_PROD (
  COCP_ID        INTEGER NOT NULL,
  COCP_CODAVE1   VARCHAR(15),
  COCP_CODAVE2   VARCHAR(15),
  COCP_CODHVO1   VARCHAR(15),
  COCP_CODHVO2   VARCHAR(15),
  COCP_CODINS1   VARCHAR(15),
  COCP_CODINS2   VARCHAR(15),
  COCP_CODINS3   VARCHAR(15),
  COCP_CODINS21  VARCHAR(15),
  COCP_PREFEP    VARCHAR(4),
  COCP_PREFSA    VARCHAR(4),
  COCP_VRAMOR    NUMERIC(15,2),
  COCP_PORCA1    NUMERIC(15,4),
  CONSTRAINT PK_CONFIGURA_COSTOS_PROD PRIMARY KEY (COCP_ID)
);

CREATE GENERATOR GEN_MOVINVENTARIO;
CREATE GENERATOR GEN_COSTOSBODEGA;
