-- The outbox: the loads of this machine not yet on the yard's server, by
-- id, oldest first. A load enters it in the transaction that records it and
-- leaves it once the server has committed it. Loads recorded before there
-- was a server wait too. A server has the table but sends nothing.
CREATE TABLE outbox (load_id BIGINT PRIMARY KEY);
INSERT INTO outbox (load_id) SELECT id FROM loads WHERE station = '';
