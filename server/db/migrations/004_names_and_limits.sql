-- Names that cannot pass for another player's. name_skeleton is what a
-- name looks like (ICU's confusable skeleton, case folded); the server
-- fills it for players from before, oldest first, so two older players
-- whose names look alike both keep them (the later one stays NULL).
ALTER TABLE players ADD COLUMN name_skeleton text;
CREATE UNIQUE INDEX players_name_skeleton ON players (name_skeleton);

-- A renamed player's old name stays theirs for a while.
CREATE TABLE name_reservations (
    name_key text PRIMARY KEY,
    skeleton text,
    player_id bigint NOT NULL REFERENCES players ON DELETE CASCADE,
    until timestamptz NOT NULL
);
CREATE INDEX name_reservations_skeleton ON name_reservations (skeleton);
CREATE INDEX name_reservations_player ON name_reservations (player_id);

-- A rename sent with a run, applied when the run is verified.
ALTER TABLE runs
    ADD COLUMN rename_to text,
    ADD COLUMN rename_key text,
    ADD COLUMN rename_skeleton text;

-- Submission rate limits shared by every API process: a token bucket per
-- client address or player token. Unlogged: losing them in a crash costs
-- nothing but a fresh burst.
CREATE UNLOGGED TABLE rate_buckets (
    key text PRIMARY KEY,
    tokens double precision NOT NULL,
    burst double precision NOT NULL,
    per_second double precision NOT NULL,
    allowed boolean NOT NULL,
    at timestamptz NOT NULL,
    full_at timestamptz NOT NULL
);
