-- A game belongs to the first player who sent it. game_key is what the
-- server replays and compares (see gameKey); runs stored before it get
-- theirs from the server at start, the oldest run of a game first, so
-- they keep their owners. Only one run that is not rejected holds a key.
ALTER TABLE runs
    ADD COLUMN game_key bytea,
    ADD COLUMN code text NOT NULL DEFAULT '',
    ADD COLUMN client_address text NOT NULL DEFAULT '';
CREATE UNIQUE INDEX runs_game_key ON runs (game_key) WHERE status <> 'rejected';

-- Jobs are shared fairly between the addresses that sent them, and each
-- verification's CPU budget follows the game time its file claims.
ALTER TABLE jobs
    ADD COLUMN client_address text NOT NULL DEFAULT '',
    ADD COLUMN claimed_seconds double precision NOT NULL DEFAULT 0;
CREATE INDEX jobs_address ON jobs (client_address) WHERE lease_until IS NOT NULL;
