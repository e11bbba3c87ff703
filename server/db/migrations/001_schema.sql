-- Boards: one per rule data and spawn acceleration. The key is
-- "<fingerprint>-<spawn acceleration>", as the verifier prints them.
CREATE TABLE boards (
    key text PRIMARY KEY,
    fingerprint text NOT NULL,
    spawn_acceleration double precision NOT NULL,
    created_at timestamptz NOT NULL DEFAULT now()
);

-- Facts every server process shares (the default board).
CREATE TABLE server_facts (
    name text PRIMARY KEY,
    value text NOT NULL
);

-- Only the SHA-256 of a player's token is kept.
CREATE TABLE players (
    id bigserial PRIMARY KEY,
    name text NOT NULL,
    name_key text NOT NULL UNIQUE,
    token_hash bytea NOT NULL UNIQUE,
    created_at timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE runs (
    id bigserial PRIMARY KEY,
    player_id bigint NOT NULL REFERENCES players ON DELETE CASCADE,
    sha256 bytea NOT NULL UNIQUE,
    replay bytea NOT NULL,
    board text NOT NULL REFERENCES boards,
    status text NOT NULL DEFAULT 'queued'
        CHECK (status IN ('queued', 'verifying', 'verified', 'rejected')),
    reason text NOT NULL DEFAULT '',
    recorded jsonb NOT NULL,
    replayed jsonb,
    submitted_at timestamptz NOT NULL DEFAULT clock_timestamp(),
    verdict_at timestamptz,
    verifier_version text,
    verdict_worker text,
    verdict_fingerprint text
);
CREATE INDEX runs_player ON runs (player_id, id);

-- A run waiting for a verdict. A worker holds it until lease_until; a job
-- whose lease ran out is free again.
CREATE TABLE jobs (
    run_id bigint PRIMARY KEY REFERENCES runs ON DELETE CASCADE,
    attempts integer NOT NULL DEFAULT 0,
    worker text,
    lease_until timestamptz,
    not_before timestamptz NOT NULL DEFAULT now()
);

-- Each player's best verified run per board, kept up to date at each
-- verdict, so a page of a large board is one index range.
CREATE TABLE board_best (
    board text NOT NULL REFERENCES boards,
    player_id bigint NOT NULL REFERENCES players ON DELETE CASCADE,
    run_id bigint NOT NULL REFERENCES runs ON DELETE CASCADE,
    score bigint NOT NULL,
    game_time real NOT NULL,
    kills integer NOT NULL,
    submitted_at timestamptz NOT NULL,
    PRIMARY KEY (board, player_id)
);
CREATE INDEX board_best_rank ON board_best (board, score DESC, game_time, submitted_at, run_id);
CREATE INDEX board_best_player ON board_best (player_id);
