CREATE TABLE "Sales Orders" (
    id INTEGER,
    country VARCHAR(40),
    city TEXT,
    photo BYTEA,
    amount NUMERIC(10, 2),
    ratio DOUBLE PRECISION,
    placed TIMESTAMP,
    note TEXT
);
INSERT INTO "Sales Orders" VALUES
    (1, 'Spain', 'Madrid', '\x0102', 3.5, 0.25, '2024-01-05 10:20:30', 'first'),
    (2, 'France', 'Paris', NULL, 12, 1.5, '2024-02-06 00:00:00', NULL),
    (3, 'Spain', 'Sevilla', '\x03', 1234.567, NULL, NULL, 'Kö <ln> & co'),
    (4, 'Italy', NULL, NULL, NULL, 2, '2023-12-31 23:59:59', 'last');
CREATE TABLE numbers (n INTEGER);
INSERT INTO numbers SELECT generate_series(1, 30);
CREATE TABLE big (n INTEGER, label TEXT);
INSERT INTO big SELECT g, 'row ' || g FROM generate_series(1, 5000) AS g;
