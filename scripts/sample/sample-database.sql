-- The sample database scripts/run creates: a few routines to step through at once.
CREATE DATABASE IF NOT EXISTS veltrane_sample;
USE veltrane_sample;

CREATE TABLE IF NOT EXISTS orders (
  id INT PRIMARY KEY,
  customer VARCHAR(40) NOT NULL,
  amount DECIMAL(10, 2) NOT NULL
);
INSERT IGNORE INTO orders VALUES
  (1, 'Ada', 120.50), (2, 'Grace', 75.00), (3, 'Ada', 19.99), (4, 'Linus', 310.00), (5, 'Grace', 42.10);

DELIMITER //

-- A loop with a counter: n! for small n.
CREATE OR REPLACE FUNCTION factorial(n INT) RETURNS BIGINT
DETERMINISTIC
BEGIN
  DECLARE result BIGINT DEFAULT 1;
  DECLARE i INT DEFAULT 2;
  WHILE i <= n DO
    SET result = result * i;
    SET i = i + 1;
  END WHILE;
  RETURN result;
END//

-- A cursor over the orders with a NOT FOUND handler ending the loop.
CREATE OR REPLACE PROCEDURE customer_total(IN who VARCHAR(40), OUT total DECIMAL(10, 2))
BEGIN
  DECLARE done INT DEFAULT FALSE;
  DECLARE a DECIMAL(10, 2);
  DECLARE orders_of CURSOR FOR SELECT amount FROM orders WHERE customer = who ORDER BY id;
  DECLARE CONTINUE HANDLER FOR NOT FOUND SET done = TRUE;
  SET total = 0;
  OPEN orders_of;
  read_loop: LOOP
    FETCH orders_of INTO a;
    IF done THEN
      LEAVE read_loop;
    END IF;
    SET total = total + a;
  END LOOP;
  CLOSE orders_of;
END//

-- An error caught by an EXIT handler: a duplicate key becomes a message instead of a failure.
CREATE OR REPLACE PROCEDURE add_order(IN new_id INT, IN who VARCHAR(40), IN how_much DECIMAL(10, 2),
                                      OUT message VARCHAR(100))
BEGIN
  DECLARE EXIT HANDLER FOR SQLSTATE '23000'
    SET message = CONCAT('order ', new_id, ' exists already');
  INSERT INTO orders VALUES (new_id, who, how_much);
  SET message = CONCAT('order ', new_id, ' added');
END//

-- Nested calls: a procedure that calls another procedure and a function in a REPEAT loop.
CREATE OR REPLACE PROCEDURE report()
BEGIN
  DECLARE who VARCHAR(40);
  DECLARE total DECIMAL(10, 2);
  DECLARE k INT DEFAULT 0;
  DECLARE names CURSOR FOR SELECT DISTINCT customer FROM orders ORDER BY customer;
  OPEN names;
  REPEAT
    FETCH names INTO who;
    CALL customer_total(who, total);
    SELECT who AS customer, total, factorial(k + 3) AS bonus_points;
    SET k = k + 1;
  UNTIL k >= 3 END REPEAT;
  CLOSE names;
END//

DELIMITER ;
