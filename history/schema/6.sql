-- What the yard's server refused for good: kept aside here, out of its
-- outbox, with the cause, so that what was recorded after it goes on. The
-- outbox is the one the record waited in (0 loads, 1 payments, 2 joins).
-- A server has the table but keeps nothing in it.
CREATE TABLE refused_records (
    outbox INTEGER NOT NULL,
    record_id BIGINT NOT NULL,
    refused_at TEXT NOT NULL,
    cause TEXT NOT NULL,
    PRIMARY KEY (outbox, record_id)
);
