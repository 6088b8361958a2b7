-- Partner accounts: the payments made and received, never changed (a
-- wrong one is cancelled by its reversal, which names it by its origin),
-- and the names joined into one partner. Both are numbered by station like
-- the loads, and wait in outboxes of their own until the server has them.
CREATE TABLE payments (
    id {id_column},
    station TEXT NOT NULL,
    station_number BIGINT NOT NULL,
    recorded_at TEXT NOT NULL,
    day TEXT NOT NULL,
    partner TEXT NOT NULL,
    direction INTEGER NOT NULL,
    amount_fen BIGINT NOT NULL,
    way TEXT NOT NULL,
    note TEXT NOT NULL,
    reverses_station TEXT NOT NULL,
    reverses_number BIGINT NOT NULL
);
CREATE UNIQUE INDEX payments_origin ON payments (station, station_number);
-- A payment is reversed once at most.
CREATE UNIQUE INDEX payments_reversal ON payments (reverses_station, reverses_number)
    WHERE reverses_number <> 0;
-- A partner's balance and statement read a range of these, never the rows.
CREATE INDEX payments_account ON payments (partner, day, direction, amount_fen);
CREATE TABLE partner_aliases (
    id {id_column},
    station TEXT NOT NULL,
    station_number BIGINT NOT NULL,
    recorded_at TEXT NOT NULL,
    alias TEXT NOT NULL,
    partner TEXT NOT NULL
);
CREATE UNIQUE INDEX partner_aliases_origin ON partner_aliases (station, station_number);
-- What a stock in owes its supplier and a stock out its buyer, per name and
-- day, without reading the loads' rows.
CREATE INDEX loads_supplier_account ON loads (kind, supplier, day, amount_fen);
CREATE INDEX loads_buyer_account ON loads (kind, buyer, day, amount_fen);
CREATE TABLE payment_outbox (payment_id BIGINT PRIMARY KEY);
CREATE TABLE alias_outbox (alias_id BIGINT PRIMARY KEY);
