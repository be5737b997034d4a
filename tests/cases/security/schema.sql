CREATE TABLE products (id integer primary key, name varchar(40), price numeric(8,2));
INSERT INTO products VALUES (1, 'Apple', 2), (2, 'Pear', 3), (3, 'Secret plum', 99);
CREATE TABLE staff (id integer primary key, login varchar(20), salary integer);
INSERT INTO staff VALUES (1, 'root', 9000);
