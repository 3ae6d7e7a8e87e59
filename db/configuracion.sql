/* The report's parameters: bird, egg, feed, vaccine and other-input item codes, the document
   prefixes of egg production entries (EH) and bird exits (SA), and the bird amortisation. */
INSERT INTO CONFIGURA_COSTOS_PROD (COCP_ID, COCP_CODAVE1, COCP_CODAVE2, COCP_CODHVO1,
  COCP_CODHVO2, COCP_CODINS1, COCP_CODINS2, COCP_CODINS3, COCP_CODINS21, COCP_PREFEP,
  COCP_PREFSA, COCP_VRAMOR, COCP_PORCA1)
VALUES (1, 'AVP', 'AVL', 'HVA', 'HVB', 'ALP', 'VAC', 'OIN', 'ALL', 'EH', 'SA', 16500.00, 2.7778);
