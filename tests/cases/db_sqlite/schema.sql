CREATE TABLE codes (code varchar(3), note varchar(5));
INSERT INTO codes VALUES ('abcdef', 'ok');
