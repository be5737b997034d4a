CREATE TABLE books (id integer primary key, title varchar(40), price numeric(8,2), added date);
INSERT INTO books VALUES (1, 'Dune', 5, '2020-01-02'), (2, 'Emma', 7, NULL);
CREATE TABLE authors (id integer primary key, name varchar(40));
INSERT INTO authors VALUES (1, 'Austen'), (3, 'Unknown');
