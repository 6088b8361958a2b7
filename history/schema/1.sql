-- The loads: one row per stock in, stock out or bill export. The figures
-- that are summed are exact integers: pieces and m³ in ten-thousandths,
-- amounts in fen. The other texts of the tally are in detail, as JSON.
CREATE TABLE history_schema (version INTEGER NOT NULL);
INSERT INTO history_schema (version) VALUES (0);
CREATE TABLE loads (
    id {id_column},
    recorded_at TEXT NOT NULL,
    day TEXT NOT NULL,
    kind INTEGER NOT NULL,
    bill_number TEXT NOT NULL,
    species TEXT NOT NULL,
    buyer TEXT NOT NULL,
    truck TEXT NOT NULL,
    supplier TEXT NOT NULL,
    contact TEXT NOT NULL,
    scaler TEXT NOT NULL,
    pieces_e4 BIGINT NOT NULL,
    volume_e4 BIGINT NOT NULL,
    amount_fen BIGINT NOT NULL,
    detail TEXT NOT NULL
);
CREATE INDEX loads_day ON loads (day);
CREATE INDEX loads_kind_day ON loads (kind, day);
CREATE INDEX loads_species_day ON loads (species, day);
