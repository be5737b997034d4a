-- The sample site's database (data source kavr_sample), created afresh by
-- scripts/serve_site.sh each time the site is laid out.
CREATE TABLE products (id integer PRIMARY KEY, category varchar(20), name varchar(40),
                       price numeric(8,2), note varchar(80));
INSERT INTO products VALUES
  (1, 'Fruit', 'Apple', 0.40, 'Crisp and sweet'),
  (2, 'Fruit', 'Pear', 0.55, NULL),
  (3, 'Fruit', 'Plum', 0.30, 'In season from August'),
  (4, 'Bakery', 'Rye bread', 2.80, 'Baked every morning'),
  (5, 'Bakery', 'Croissant', 1.10, NULL),
  (6, 'Dairy', 'Goat''s cheese', 4.20, 'From the farm next door'),
  (7, 'Dairy', 'Butter', 2.15, NULL);

-- The book forms' table.
CREATE TABLE books (id integer PRIMARY KEY, title varchar(80), author varchar(80),
                    price numeric(8,2), added date);
INSERT INTO books VALUES (1, 'The Sample Book', 'A. Writer', 12.00, '2024-01-15');
